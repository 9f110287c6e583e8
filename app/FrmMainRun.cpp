// The batch run of the main window: Start, Abort, Clear and the progress bar.

#include "app/FileColumns.h"
#include "app/FrmMain.h"

#include "app/BusyPointer.h"
#include "app/RunTarget.h"
#include "controls/UC_Bar.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "engine/C_EditWave.h"
#include "platform/core/Events.h"

#include <QFile>
#include <QTimer>
#include <memory>

namespace app {

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

void FrmMain::EW_Prog(float pRate, int32_t& pCancel) {
    m_ProgBar->SetValue(ProgressValue(pRate));
    pCancel = m_AbortRequested;
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
    C_EditWave editWave;
    editWave.Prog = [this](float pRate, int32_t& pCancel) { EW_Prog(pRate, pCancel); };

    // The run walks the rows by index: a header click must not reorder them under it.
    const int32_t sortDisabled = m_LV->SortDisabled();
    m_LV->SetSortDisabled(1);
    const int32_t count = m_LV->ItemCount();
    for (int32_t i = 0; i < count; ++i) {
        if (!RunItem(editWave, i, atStart)) break;
    }
    m_LV->SetSortDisabled(sortDisabled);
    m_ProgBar->SetValue(0);
    busy.reset();
    EndRun();
}

// Processes item `index`; false when the run is to end here.
bool FrmMain::RunItem(C_EditWave& pEditWave, int32_t pIndex, const panel::PanelSettings& pAtStart) {
    if (pIndex >= m_LV->ItemCount()) return false;
    SelectRunItem(pIndex);
    if (m_AbortRequested == 1) return false; // pressed while the row was shown

    const std::string source =
        QFile::encodeName(m_LV->AuxID(pIndex, kPathAux).Text()).toStdString();
    const panel::PanelSettings now = ReadPanel();
    // The engine writes a work file; it takes its final name only when complete.
    const ItemFiles files =
        source.empty() ? ItemFiles{} : PlanItemFiles(source, OutputFolderOf(now), now.OverWrite);
    if (files.Work.empty()) return true; // nothing to write, or refused before the edit

    EditJob job = panel::PanelJob(pAtStart, now);
    job.SourcePath = source;
    job.TargetPath = files.Work;
    const int32_t result = pEditWave.Edit(job);
    // The source is replaced only when OverWrite was on for the whole file: a
    // target chosen for the output folder never lands on the source.
    const int32_t overWrite = now.OverWrite == 1 && m_CheckOw->Value() == 1 ? 1 : 0;
    return SettleTarget(result, m_AbortRequested == 1, overWrite, pEditWave.KeptFrames(), files) !=
           ItemOutcome::Aborted;
}

void FrmMain::SelectRunItem(int32_t pIndex) {
    m_LV->UnSelectAll();
    m_LV->SetSelectedItem(pIndex);
    m_LV->SetIsSelected(pIndex, true);
    m_LV->ReDraw();
    platform::PumpEvents();
}

void FrmMain::EndRun() {
    m_RunState = 0;
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
