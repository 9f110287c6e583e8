// The file list of the main window: drops, rows and deleting rows.

#include "app/FileColumns.h"
#include "app/FrmMain.h"
#include "app/SkipFailingStep.h"

#include "app/BusyPointer.h"
#include "controls/UC_ListView.h"
#include "media/FCT_AudioInf.h"
#include "platform/core/Events.h"
#include "services/core/DurationText.h"
#include "services/core/ErrorLog.h"
#include "services/core/Paths.h"

#include <QFile>

namespace app {

namespace {

QString LocalText(const std::string& text) {
    return QFile::decodeName(text.c_str());
}

constexpr int32_t kLastRow = -2; // the list's address of its last row

} // namespace

void FrmMain::AddTitle(const std::string& path, int32_t dropRow) {
    (void)dropRow; // rows are always appended
    if (PathPart(path, 0, 0, 0, 0, 1) != "wav") return;
    lv_->AddItem(1);
    AudioInfo info;
    SkipFailingStep([&] { info = GetAudioInfo(path); });
    auto setCell = [&](FileColumn column, const QString& text) {
        lv_->SetValue(kLastRow, ColumnIndex(column), text);
    };
    SkipFailingStep([&] { lv_->SetIconType(kLastRow, 1); });
    SkipFailingStep([&] { lv_->SetAuxID(kLastRow, kPathAux, LocalText(path)); });
    SkipFailingStep([&] { setCell(FileColumn::Title, LocalText(PathPart(path, 0, 0, 1, 0, 0))); });
    SkipFailingStep(
        [&] { setCell(FileColumn::Length, QString::fromStdString(DurationText(info.LengthMs))); });
    SkipFailingStep([&] { setCell(FileColumn::Format, QString::fromStdString(info.Text)); });
}

void FrmMain::AddFiles(const std::vector<std::string>& paths, int32_t dropRow) {
    BusyPointer busy;
    for (const std::string& path : paths) {
        platform::PumpEvents();
        AddTitle(path, dropRow);
    }
    RedrawList();
}

void FrmMain::LV_OLEDragDrop(UC_ListViewData& Data, int32_t& Effect, int16_t Button, int16_t Shift,
                             float X, float Y) {
    (void)Effect, (void)Button, (void)Shift, (void)X;
    const int32_t dropRow = lv_->YsItem(Y);
    std::vector<std::string> paths;
    for (const QString& file : Data.FileList())
        paths.push_back(QFile::encodeName(file).toStdString());
    AddFiles(paths, dropRow);
}

void FrmMain::LV_DblClicked() {
    if (runState_ == 1) return;
    lv_->DeleteSelected();
    RedrawList();
}

void FrmMain::RedrawList() {
    lv_->ReDraw();
    lv_->SetVbarParm();
}

} // namespace app
