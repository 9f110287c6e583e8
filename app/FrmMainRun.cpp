// The batch run of the main window: Start, Abort, Clear and the progress bar.

#include "app/FileColumns.h"
#include "app/FrmMain.h"

#include "app/BusyPointer.h"
#include "app/OriginalsButton.h"
#include "controls/UC_Bar.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"
#include "services/core/Paths.h"
#include "services/job/FileStep.h"

#include <QFile>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>

namespace app {

namespace {
// A run may pass pages of short files faster than a screen shows them: the list is drawn
// after a scroll at most this often.
constexpr int32_t kRunDrawIntervalMs = 15;

int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

void FrmMain::CtrButtons_ButtonClicked(int32_t ClickedIndex) {
    switch (ClickedIndex) {
    case 0:
        ClearList();
        break;
    case 1:
        m_AbortRequested = 1; // also while idle; the next Start clears it
        break;
    case 2:
        StartRun();
        break;
    default:
        break;
    }
}

void FrmMain::StartRun() {
    if (m_RunState == 1 || m_LV->ItemCount() < 1) return;
    // Asked once, before anything changes: a missing output folder must not scatter results.
    if (!SettleMissingOutputFolder() || m_RunState == 1 || m_LV->ItemCount() < 1) return;
    ShowStatus(QString());
    m_RunState = 1;
    KeepRunPanel();
    ShowRunButtons();
    m_ProgBar->SetIdle(0);
    m_AbortRequested = 0;
    m_ProgressPostedMs = INT64_MIN / 2; // the run's first bar value shows at once
    m_Run = std::make_unique<RunPlan>();
    m_Run->AtStart = ReadPanel();
    m_Run->Count = m_LV->ItemCount();
    m_Journal = std::make_shared<results::RunJournal>(); // its file comes with the first entry
    // The run walks the rows by index: a header click must not reorder them under it.
    m_Run->SortDisabled = m_LV->SortDisabled();
    m_LV->SetSortDisabled(1);
    m_LV->SetScrollDrawInterval(kRunDrawIntervalMs);
    ClearRowStatuses();
    if (AlbumRunWanted(m_Run->AtStart))
        StartAlbumRun();
    else
        StartWalk();
}

void FrmMain::ConnectRun() {
    m_TakeTimer.setSingleShot(true);
    connect(&m_TakeTimer, &QTimer::timeout, this, [this] { TakeOutcomes(true); });
    connect(m_Panel, &ParamPanel::Changed, this, [this] { KeepRunPanel(); });
    connect(m_Panel->OutputTo(), &UC_PathText::TextChange, this, [this] { KeepRunPanel(); });
    connect(m_Originals, &OriginalsButton::RuleChosen, this, [this] { KeepRunPanel(); });
}

void FrmMain::KeepRunPanel() {
    if (m_RunState != 1) return;
    const panel::PanelSettings now = ReadPanel();
    m_RunPanel.Set(now, m_Originals->Rule(), OutputFolderOf(now));
}

void FrmMain::StartWalk() {
    // Rows added during the run are not part of it; rows cannot be removed meanwhile.
    std::vector<std::string> sources;
    for (int32_t i = 0; i < m_Run->Count; ++i)
        sources.push_back(PathOfRow(*m_LV, i));
    SelectRunItem(0);
    m_RunWorker.start([this, sources = std::move(sources), atStart = m_Run->AtStart,
                       journal = m_Journal] { Walk(sources, atStart, *journal); });
}

void FrmMain::Walk(const std::vector<std::string>& pSources, const panel::PanelSettings& pAtStart,
                   results::RunJournal& pJournal) {
    int32_t row = 0;
    for (; row < int32_t(pSources.size()) && m_AbortRequested != 1; ++row) {
        const std::string& source = pSources[size_t(row)];
        if (source.empty()) {
            HandOver({row, source, std::nullopt});
            continue;
        }
        m_PostedProgress = -1;
        job::StepOutcome outcome = job::RunFileStep(RunRequest(source, pAtStart));
        // Recorded here, at once: the window may be gone before the outcome arrives.
        job::RecordReplaced(pJournal, outcome);
        const bool cancelled = outcome.State == job::StepState::Cancelled;
        HandOver({row, source, std::move(outcome)});
        if (cancelled) {
            ++row;
            break;
        }
    }
    // Posted after every bar value of the run, so that none arrives after its end.
    QMetaObject::invokeMethod(
        this,
        [this, row] {
            TakeOutcomes(false);
            FinishRun(row);
        },
        Qt::QueuedConnection);
}

void FrmMain::HandOver(RowOutcome pOutcome) {
    bool wasEmpty = false;
    {
        const std::lock_guard<std::mutex> lock(m_OutcomesLock);
        wasEmpty = m_Outcomes.empty();
        m_Outcomes.push_back(std::move(pOutcome));
    }
    if (wasEmpty)
        QMetaObject::invokeMethod(
            this, [this] { OutcomesWaiting(); }, Qt::QueuedConnection);
}

void FrmMain::OutcomesWaiting() {
    const int64_t wait = m_TakenMs + kRunDrawIntervalMs - SteadyMs();
    if (wait <= 0) return TakeOutcomes(true);
    if (!m_TakeTimer.isActive()) m_TakeTimer.start(int(wait));
}

void FrmMain::TakeOutcomes(bool pGoesOn) {
    m_TakenMs = SteadyMs();
    std::vector<RowOutcome> taken;
    {
        const std::lock_guard<std::mutex> lock(m_OutcomesLock);
        taken.swap(m_Outcomes);
    }
    for (const RowOutcome& o : taken) {
        if (o.Outcome)
            ShowOutcome(o.Row, o.Source, *o.Outcome);
        else
            ShowRowStatus(o.Row, FailedStatus("the row names no file"));
    }
    if (pGoesOn && m_Run && !taken.empty() && taken.back().Row + 1 < m_Run->Count)
        SelectRunItem(taken.back().Row + 1);
}

void FrmMain::ShowOutcome(int32_t pIndex, const std::string& pSource,
                          const job::StepOutcome& pOutcome) {
    ShowRowStatus(pIndex, StepStatus(pOutcome));
    if (pOutcome.State == job::StepState::Replaced) { // the file has changed: its length too
        FillRowCells(pIndex, pSource);
        m_LV->ReDrawItem(pIndex);
    }
}

void FrmMain::FinishRun(int32_t pFirstUnreached) {
    // The rows the run did not reach: Abort ended it.
    for (int32_t i = pFirstUnreached; i < std::min(m_Run->Count, m_LV->ItemCount()); ++i)
        ShowRowStatus(i, SkippedStatus());
    m_TakeTimer.stop();
    m_LV->SetScrollDrawInterval(0); // draws a page that waits
    m_LV->SetSortDisabled(m_Run->SortDisabled);
    m_ProgBar->SetValue(0);
    m_Run.reset();
    EndRun();
}

job::StepRequest FrmMain::RunRequest(const std::string& pSource,
                                     const panel::PanelSettings& pAtStart) {
    job::StepRequest q = m_RunPanel.Request(pSource, pAtStart);
    q.Progress = [this](float pRate) { PostProgress(pRate); };
    q.Edit = m_StepEdit;
    q.StopRequested = [this] { return m_AbortRequested == 1; };
    return q;
}

void FrmMain::PostProgress(float pRate) {
    // The engine reports after every block: a new bar value crosses to the window at most as
    // often as a run draws the list, so that a short file does not wake the window per block.
    const int64_t now = SteadyMs();
    if (now - m_ProgressPostedMs < kRunDrawIntervalMs) return;
    const int32_t value = ProgressValue(pRate);
    if (m_PostedProgress.exchange(value) == value) return;
    m_ProgressPostedMs = now;
    QMetaObject::invokeMethod(
        this, [this, value] { m_ProgBar->SetValue(value); }, Qt::QueuedConnection);
}

void FrmMain::StopRunAndWait() {
    m_AbortRequested = 1;
    m_RunWorker.waitForDone();
}

// Marks the row in hand with the working icon (the row becomes the list's cursor) and
// scrolls it into view when it is not on screen. Only the icon is drawn again: a file takes
// a fraction of a millisecond, and drawing whole rows would cost as much as the edit.
void FrmMain::SelectRunItem(int32_t pIndex) {
    m_LV->SetCursorItem(pIndex);
    m_LV->SetIconType(pIndex, int32_t(LVIcon::Arrow));
    m_LV->SetItemTip(pIndex, QStringLiteral("processing"));
    if (!m_LV->ScrollToItem(pIndex)) m_LV->ReDrawItemIcon(pIndex);
}

void FrmMain::ShowRowStatus(int32_t pIndex, const RowStatus& pStatus) {
    static constexpr LVIcon kIcons[] = {LVIcon::Wave, LVIcon::Arrow, LVIcon::Check,
                                        LVIcon::Info, LVIcon::Cross, LVIcon::Skip};
    m_LV->SetIconType(pIndex, int32_t(kIcons[size_t(pStatus.State)]));
    m_LV->SetItemTip(pIndex, QFile::decodeName(pStatus.Text.c_str()));
    m_Tally.Add(pStatus.State);
    m_LV->ReDrawItemIcon(pIndex);
}

void FrmMain::ClearRowStatuses() {
    m_Tally = RunTally{};
    m_RunNote.clear();
    m_ProgBar->SetTextToDisp(QString());
    for (int32_t i = 0; i < m_LV->ItemCount(); ++i) {
        m_LV->SetIconType(i, int32_t(LVIcon::Wave));
        m_LV->SetItemTip(i, QString());
    }
    m_LV->ReDraw();
}

void FrmMain::EndRun() {
    m_RunState = 0;
    ShowRunButtons();
    m_ProgBar->SetTextToDisp(QString::fromStdString(m_Tally.Summary() + m_RunNote));
    m_ProgBar->SetIdle(1);
    if (m_CloseWhenIdle) {
        m_CloseWhenIdle = false;
        QTimer::singleShot(0, this, [this] { close(); });
    }
    emit RunFinished();
}

void FrmMain::ClearList() {
    if (m_RunState == 1 || !ConfirmClear()) return;
    m_LV->DeleteAll();
    m_LV->Refresh();
}

} // namespace app
