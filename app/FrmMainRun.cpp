// The batch run of the main window: Start, Abort, Clear and the progress bar.

#include "app/FileColumns.h"
#include "app/FrmMain.h"

#include "app/BusyPointer.h"
#include "controls/UC_Bar.h"
#include "controls/UC_ListView.h"
#include "platform/core/Events.h"
#include "platform/gui/EventPump.h"
#include "services/core/Paths.h"
#include "services/job/FileStep.h"

#include <QFile>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace app {

namespace {
// A run may pass pages of short files faster than a screen shows them: the list is drawn
// after a scroll at most this often.
constexpr int32_t kRunDrawIntervalMs = 15;
// The engine yields once per block, many times a millisecond on short files; the window
// answers (Abort among others) within this time, and once in every file.
constexpr int kRunPumpIntervalMs = 5;
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

bool FrmMain::EW_Prog(float pRate) {
    const int32_t value = ProgressValue(pRate);
    m_ProgBar->SetValue(value); // draws only when the fill moves a pixel
    // However short the file, the window answers once while it shows its progress.
    if (!m_ItemAnswered && value > 0) {
        m_ItemAnswered = true;
        platform::PumpQtEventsNow();
    }
    return m_AbortRequested != 0;
}

void FrmMain::StartRun() {
    if (m_RunState == 1 || m_LV->ItemCount() < 1) return;
    // Asked once, before anything changes: a missing output folder must not scatter results.
    if (!SettleMissingOutputFolder() || m_RunState == 1 || m_LV->ItemCount() < 1) return;
    ShowStatus(QString());
    m_RunState = 1;
    m_ProgBar->SetIdle(0);
    auto busy = std::make_unique<BusyPointer>();
    m_AbortRequested = 0;

    // Margins, the normalize level and mode and the RMS fields count as they were at Start.
    const panel::PanelSettings atStart = ReadPanel();

    // The run walks the rows by index: a header click must not reorder them under it.
    const int32_t sortDisabled = m_LV->SortDisabled();
    m_LV->SetSortDisabled(1);
    m_LV->SetScrollDrawInterval(kRunDrawIntervalMs);
    platform::SetQtEventPumpInterval(kRunPumpIntervalMs);
    const int32_t count = m_LV->ItemCount();
    ClearRowStatuses();
    int32_t next = 0;
    while (next < count && RunItem(next, atStart))
        ++next;
    // The rows the run did not reach: Abort ended it.
    for (int32_t i = next + 1; i < std::min(count, m_LV->ItemCount()); ++i)
        ShowRowStatus(i, SkippedStatus());
    platform::SetQtEventPumpInterval(0);
    m_LV->SetScrollDrawInterval(0); // draws a page that waits
    m_LV->SetSortDisabled(sortDisabled);
    m_ProgBar->SetValue(0);
    busy.reset();
    EndRun();
}

// The step of item `pIndex` as the panel now asks for it: OverWrite replaces the source (and
// keeps the result numbered beside it when it cannot), else the output folder when it exists,
// else beside the source.
job::StepRequest FrmMain::RunRequest(const std::string& pSource,
                                     const panel::PanelSettings& pAtStart) {
    const panel::PanelSettings now = ReadPanel();
    job::StepRequest q;
    q.Job = panel::PanelJob(pAtStart, now);
    q.Job.SourcePath = pSource;
    job::FileTarget& t = q.Target;
    const std::string folder = OutputFolderOf(now);
    if (now.OverWrite == 1) {
        t.Where = job::Placement::OverSource;
        t.NotReplaced = job::IfNotReplaced::KeepNumbered;
        // Replaced only when OverWrite stayed on for the whole file.
        q.ReplaceStillWanted = [this] { return ReadPanel().OverWrite == 1; };
    } else if (FolderExists(folder) == 1) {
        t.Where = job::Placement::OutputFolder;
        t.Wanted = job::NameInFolder(folder, pSource);
    }
    q.Progress = [this](float pRate) { EW_Prog(pRate); };
    q.StopRequested = [this] { return m_AbortRequested == 1; };
    return q;
}

// Processes item `pIndex`; false when the run is to end here.
bool FrmMain::RunItem(int32_t pIndex, const panel::PanelSettings& pAtStart) {
    if (pIndex >= m_LV->ItemCount()) return false;
    SelectRunItem(pIndex);
    if (m_AbortRequested == 1) { // pressed while the row was shown
        ShowRowStatus(pIndex, SkippedStatus());
        return false;
    }
    const std::string source =
        QFile::encodeName(m_LV->AuxID(pIndex, kPathAux).Text()).toStdString();
    if (source.empty()) {
        ShowRowStatus(pIndex, FailedStatus("the row names no file"));
        return true;
    }
    const job::StepOutcome outcome = job::RunFileStep(RunRequest(source, pAtStart));
    ShowRowStatus(pIndex, StepStatus(outcome));
    if (outcome.State == job::StepState::Replaced) { // the file has changed: its length too
        FillRowCells(pIndex, source);
        m_LV->ReDrawItem(pIndex);
    }
    return outcome.State != job::StepState::Cancelled;
}

// Marks the row in hand with the working icon (the row becomes the list's cursor) and
// scrolls it into view when it is not on screen. Only the icon is drawn again: a file takes
// a fraction of a millisecond, and drawing whole rows would cost as much as the edit.
void FrmMain::SelectRunItem(int32_t pIndex) {
    m_LV->SetCursorItem(pIndex);
    m_LV->SetIconType(pIndex, int32_t(LVIcon::Arrow));
    m_LV->SetItemTip(pIndex, QStringLiteral("processing"));
    if (!m_LV->ScrollToItem(pIndex)) m_LV->ReDrawItemIcon(pIndex);
    m_ItemAnswered = false;
    platform::PumpEvents();
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
    m_ProgBar->SetTextToDisp(QString());
    for (int32_t i = 0; i < m_LV->ItemCount(); ++i) {
        m_LV->SetIconType(i, int32_t(LVIcon::Wave));
        m_LV->SetItemTip(i, QString());
    }
    m_LV->ReDraw();
}

void FrmMain::EndRun() {
    m_RunState = 0;
    m_ProgBar->SetTextToDisp(QString::fromStdString(m_Tally.Summary()));
    m_ProgBar->SetIdle(1);
    if (m_CloseWhenIdle) {
        m_CloseWhenIdle = false;
        QTimer::singleShot(0, this, [this] { close(); });
    }
}

void FrmMain::ClearList() {
    if (m_RunState == 1) return;
    m_LV->DeleteAll();
    m_LV->Refresh();
}

} // namespace app
