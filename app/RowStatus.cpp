#include "app/RowStatus.h"

#include "engine/FailureReason.h"

namespace app {

RowStatus FailedStatus(const std::string& pReason) {
    return {RowState::Failed,
            "failed: " + (pReason.empty() ? std::string("edit failed") : pReason)};
}

RowStatus SkippedStatus() {
    return {RowState::Skipped, "skipped by Abort"};
}

namespace {

// A reason that already says "not replaced" reads once in the row's own sentence.
std::string WithoutLead(const std::string& pText, const std::string& pLead) {
    return pText.rfind(pLead, 0) == 0 ? pText.substr(pLead.size()) : pText;
}

RowStatus SettledRow(const job::StepOutcome& pOut) {
    const std::string& path = pOut.ResultPath;
    switch (pOut.State) {
    case job::StepState::Written:
        if (pOut.EmptyResult() && !pOut.Warnings.empty())
            return {RowState::NoSound, pOut.Warnings.front() + " (saved as " + path + ")"};
        return {RowState::Done, "done: saved as " + path};
    case job::StepState::Replaced:
        if (!pOut.Kept.TrashInfo.empty())
            return {RowState::Done, "done: the source was replaced; its original is in the Trash"};
        if (!pOut.Kept.Path.empty())
            return {RowState::Done, "done: the source was replaced; its original is backed up as " +
                                        pOut.Kept.Path};
        return {RowState::Done, "done: the source was replaced"};
    case job::StepState::AlreadyDone:
        return {RowState::Done, "done: already saved as " + path};
    case job::StepState::Measured:
        return {RowState::Done, "done: measured"};
    case job::StepState::NoSoundKept:
        return {RowState::NoSound, pOut.Reason};
    case job::StepState::ReplaceFailed:
        return {RowState::Failed, "failed: the source was not replaced (" +
                                      WithoutLead(pOut.Reason, "not replaced: ") +
                                      "); the result is saved as " + path};
    case job::StepState::Failed:
        return FailedStatus(pOut.Reason);
    case job::StepState::Cancelled:
        return {RowState::Skipped, "stopped by Abort: nothing written"};
    }
    return FailedStatus(pOut.Reason);
}

} // namespace

RowStatus StepStatus(const job::StepOutcome& pOutcome) {
    RowStatus row = SettledRow(pOutcome);
    // An empty result's warning is its text already; the others follow a done row.
    if (row.State == RowState::Done)
        for (const std::string& w : pOutcome.Warnings)
            row.Text += "; " + w;
    return row;
}

void RunTally::Add(RowState pState) {
    switch (pState) {
    case RowState::Done:
        ++m_Done;
        break;
    case RowState::Failed:
        ++m_Failed;
        break;
    case RowState::NoSound:
        ++m_NoSound;
        break;
    case RowState::Skipped:
        ++m_Skipped;
        break;
    case RowState::Waiting:
    case RowState::InHand:
        break;
    }
}

std::string RunTally::Summary() const {
    std::string text = std::to_string(m_Done) + " done, " + std::to_string(m_Failed) + " failed";
    if (m_NoSound > 0) text += ", " + std::to_string(m_NoSound) + " without sound";
    if (m_Skipped > 0) text += ", " + std::to_string(m_Skipped) + " skipped";
    return text;
}

} // namespace app
