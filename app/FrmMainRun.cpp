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
        abortRequested_ = 1; // also while idle; the next Start clears it
        break;
    case 2:
        StartRun();
        break;
    default:
        break;
    }
}

void FrmMain::EW_Prog(float pRate, int32_t& pCancel) {
    progBar_->SetValue(ProgressValue(pRate));
    pCancel = abortRequested_;
}

void FrmMain::StartRun() {
    if (runState_ == 1 || lv_->ItemCount() < 1) return;
    runState_ = 1;
    auto busy = std::make_unique<BusyPointer>();
    abortRequested_ = 0;

    // Margins, the normalize level and mode and the RMS fields count as they were at Start.
    const panel::PanelSettings atStart = ReadPanel();
    C_EditWave editWave;
    editWave.Prog = [this](float pRate, int32_t& pCancel) { EW_Prog(pRate, pCancel); };

    // The run walks the rows by index: a header click must not reorder them under it.
    const int32_t sortDisabled = lv_->SortDisabled();
    lv_->SetSortDisabled(1);
    const int32_t count = lv_->ItemCount();
    for (int32_t i = 0; i < count; ++i) {
        if (!RunItem(editWave, i, atStart)) break;
    }
    lv_->SetSortDisabled(sortDisabled);
    progBar_->SetValue(0);
    busy.reset();
    EndRun();
}

// Processes item `index`; false when the run is to end here.
bool FrmMain::RunItem(C_EditWave& editWave, int32_t index, const panel::PanelSettings& atStart) {
    if (index >= lv_->ItemCount()) return false;
    SelectRunItem(index);
    if (abortRequested_ == 1) return false; // pressed while the row was shown

    const std::string source = QFile::encodeName(lv_->AuxID(index, kPathAux).Text()).toStdString();
    const panel::PanelSettings now = ReadPanel();
    // The engine writes a work file; it takes its final name only when complete.
    const ItemFiles files =
        source.empty() ? ItemFiles{} : PlanItemFiles(source, OutputFolderOf(now), now.OverWrite);
    if (files.work.empty()) return true; // nothing to write, or refused before the edit

    EditJob job = panel::PanelJob(atStart, now);
    job.SourcePath = source;
    job.TargetPath = files.work;
    const int32_t result = editWave.Edit(job);
    // The source is replaced only when OverWrite was on for the whole file: a
    // target chosen for the output folder never lands on the source.
    const int32_t overWrite = now.OverWrite == 1 && checkOW_->Value() == 1 ? 1 : 0;
    return SettleTarget(result, abortRequested_ == 1, overWrite, editWave.KeptFrames(), files) !=
           ItemOutcome::Aborted;
}

void FrmMain::SelectRunItem(int32_t index) {
    lv_->UnSelectAll();
    lv_->SetSelectedItem(index);
    lv_->SetIsSelected(index, true);
    lv_->ReDraw();
    platform::PumpEvents();
}

void FrmMain::EndRun() {
    runState_ = 0;
    if (closeWhenIdle_) {
        closeWhenIdle_ = false;
        QTimer::singleShot(0, this, [this] { close(); });
    }
}

void FrmMain::ClearList() {
    if (runState_ == 1) return;
    lv_->DeleteAll();
    lv_->Refresh();
}

} // namespace app
