// The one question Start asks while Output To names no existing folder, so that results never
// go where the user did not mean.

#include "app/FrmMain.h"

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

bool FrmMain::SettleMissingOutputFolder() {
    const std::string folder = m_Panel->MissingOutputFolder();
    if (folder.empty()) return true;
    const QString shown = LocalText(folder);
    const MissingOutputChoice choice =
        m_AskMissingOutput ? m_AskMissingOutput(shown) : AskInMessageBox(this, shown);
    switch (choice) {
    case MissingOutputChoice::CreateFolder:
        if (CreateFolderPath(folder)) {
            m_Panel->ShowOutputValidity();
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
