// The file list of the main window: drops, rows and deleting rows.

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

} // namespace

void FrmMain::AddTitle(const std::string& path, int32_t dropRow) {
    (void)dropRow; // rows are always appended
    if (PathPart(path, 0, 0, 0, 0, 1) != "wav") return;
    lv_->AddItem(1);
    AudioInfo info;
    SkipFailingStep([&] { info = GetAudioInfo(path); });
    SkipFailingStep([&] { lv_->SetIconType(-2, 1); });
    SkipFailingStep([&] { lv_->SetAuxID(-2, 0, LocalText(path)); });
    SkipFailingStep([&] { lv_->SetValue(-2, 0, LocalText(PathPart(path, 0, 0, 1, 0, 0))); });
    SkipFailingStep(
        [&] { lv_->SetValue(-2, 1, QString::fromStdString(DurationText(info.LengthMs))); });
    SkipFailingStep([&] { lv_->SetValue(-2, 2, QString::fromStdString(info.Text)); });
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
