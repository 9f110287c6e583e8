// Output To of the main window: marked while it names no existing folder, and the one
// question Start asks then, so that results never go where the user did not mean.

#include "app/FrmMain.h"

#include "controls/UC_PathText.h"
#include "services/core/Paths.h"

#include <QFile>
#include <QMessageBox>
#include <QPushButton>

#include <filesystem>
#include <system_error>

namespace app {

namespace {

QString LocalText(const std::string& pText) {
    return QFile::decodeName(pText.c_str());
}

FrmMain::MissingOutputChoice AskInMessageBox(QWidget* pOwner, const QString& pFolder) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("quillan"),
                    QStringLiteral("The output folder\n%1\ndoes not exist.").arg(pFolder),
                    QMessageBox::NoButton, pOwner);
    QPushButton* create = box.addButton(QStringLiteral("Create Folder"), QMessageBox::AcceptRole);
    QPushButton* beside =
        box.addButton(QStringLiteral("Write Beside Sources"), QMessageBox::ActionRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(create);
    box.exec();
    if (box.clickedButton() == create) return FrmMain::MissingOutputChoice::CreateFolder;
    if (box.clickedButton() == beside) return FrmMain::MissingOutputChoice::BesideSources;
    return FrmMain::MissingOutputChoice::Cancel;
}

// Creates the folder with the levels above it; true when it exists afterwards.
bool CreateFolderPath(const std::string& pFolder) {
    if (pFolder.empty() || pFolder.front() != '/') return false;
    std::error_code ec;
    std::filesystem::create_directories(pFolder, ec);
    return FolderExists(pFolder) == 1;
}

} // namespace

std::string FrmMain::MissingOutputFolder() const {
    const panel::PanelSettings panel = ReadPanel();
    if (panel.OverWrite != 0 || panel.SoundPath.empty()) return {};
    const std::string folder = OutputFolderOf(panel);
    if (!folder.empty() && FolderExists(folder) == 1) return {};
    return folder.empty() ? panel.SoundPath : folder;
}

void FrmMain::ShowOutputValidity() {
    const std::string missing = MissingOutputFolder();
    m_TextSoundPath->SetMarkedInvalid(
        !missing.empty(),
        QStringLiteral("No folder %1: Start asks whether to create it").arg(LocalText(missing)));
}

bool FrmMain::SettleMissingOutputFolder() {
    const std::string folder = MissingOutputFolder();
    if (folder.empty()) return true;
    const QString shown = LocalText(folder);
    const MissingOutputChoice choice =
        m_AskMissingOutput ? m_AskMissingOutput(shown) : AskInMessageBox(this, shown);
    switch (choice) {
    case MissingOutputChoice::CreateFolder:
        if (CreateFolderPath(folder)) {
            ShowOutputValidity();
            return true;
        }
        ShowStatus(QStringLiteral("Could not create %1").arg(shown));
        return false;
    case MissingOutputChoice::BesideSources:
        return true;
    case MissingOutputChoice::Cancel:
        return false;
    }
    return false;
}

} // namespace app
