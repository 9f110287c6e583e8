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

QString LocalText(const std::string& pText) {
    return QFile::decodeName(pText.c_str());
}

constexpr int32_t kLastRow = -2; // the list's address of its last row

} // namespace

void FrmMain::AddTitle(const std::string& pPath, int32_t pDropRow) {
    (void)pDropRow; // rows are always appended
    if (PathPart(pPath, PathParts::Extension) != "wav") return;
    m_LV->AddItem(1);
    SkipFailingStep([&] { m_LV->SetIconType(kLastRow, int32_t(LVIcon::Wave)); });
    SkipFailingStep([&] { m_LV->SetAuxID(kLastRow, kPathAux, LocalText(pPath)); });
    FillRowCells(kLastRow, pPath);
}

void FrmMain::FillRowCells(int32_t pRow, const std::string& pPath) {
    AudioInfo info;
    SkipFailingStep([&] { info = GetAudioInfo(pPath); });
    auto setCell = [&](FileColumn pColumn, const QString& pText) {
        m_LV->SetValue(pRow, ColumnIndex(pColumn), pText);
    };
    SkipFailingStep(
        [&] { setCell(FileColumn::Title, LocalText(PathPart(pPath, PathParts::BaseName))); });
    SkipFailingStep(
        [&] { setCell(FileColumn::Length, QString::fromStdString(DurationText(info.LengthMs))); });
    SkipFailingStep([&] { setCell(FileColumn::Format, QString::fromStdString(info.Text)); });
}

void FrmMain::AddFiles(const std::vector<std::string>& pPaths, int32_t pDropRow) {
    BusyPointer busy;
    for (const std::string& path : pPaths) {
        platform::PumpEvents();
        AddTitle(path, pDropRow);
    }
    RedrawList();
}

void FrmMain::LV_OLEDragDrop(UC_ListViewData& Data, int32_t& Effect, int16_t Button, int16_t Shift,
                             float X, float Y) {
    (void)Button, (void)Shift, (void)X, (void)Y; // rows are always appended
    std::vector<std::string> paths;
    for (const QString& file : Data.FileList())
        paths.push_back(QFile::encodeName(file).toStdString());
    // Taken as a copy, never a move; a drop that adds nothing is refused.
    Effect = AddPaths(paths) > 0 ? 1 : 0;
}

void FrmMain::LV_DblClicked() {
    DeleteSelectedRows();
}

void FrmMain::LV_DeletePressed() {
    DeleteSelectedRows();
}

void FrmMain::DeleteSelectedRows() {
    if (m_RunState == 1) return;
    m_LV->DeleteSelected();
    RedrawList();
}

void FrmMain::RedrawList() {
    m_LV->ReDraw();
    m_LV->SetVbarParm();
}

} // namespace app
