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

RowStatus SettledStatus(ItemOutcome pOutcome, const std::string& pFinalPath,
                        const std::string& pReason) {
    switch (pOutcome) {
    case ItemOutcome::Written:
        return {RowState::Done, "done: saved as " + pFinalPath};
    case ItemOutcome::Replaced:
        return {RowState::Done, "done: the source was replaced"};
    case ItemOutcome::WrittenEmpty:
        return {RowState::NoSound, std::string(kNoSoundWritten) + " (saved as " + pFinalPath + ")"};
    case ItemOutcome::NoSound:
        return {RowState::NoSound, kNoSoundKept};
    case ItemOutcome::ReplaceFailed:
        return {RowState::Failed, "failed: the source was not replaced (" + pReason +
                                      "); the result is saved as " + pFinalPath};
    case ItemOutcome::Failed:
        return FailedStatus(pReason);
    case ItemOutcome::Aborted:
        return {RowState::Skipped, "stopped by Abort: nothing written"};
    }
    return FailedStatus(pReason);
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
