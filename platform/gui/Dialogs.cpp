#include "platform/gui/Dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

namespace platform {

namespace {

QString Text(const std::string& pS) {
    return QString::fromStdString(pS);
}

QStringList NameFilters(const std::vector<FileDialogFilter>& pFilters) {
    QStringList list;
    for (const FileDialogFilter& filter : pFilters)
        list << Text(FileDialogFilterText(filter));
    return list;
}

QString StartFolder(const std::string& pFolder) {
    return pFolder.empty() ? QDir::currentPath() : Text(pFolder);
}

// The dialog's own file name box starts with the given name (in the start folder
// unless the name carries a folder of its own).
void PresetFileName(QFileDialog& pDialog, const FileDialogRequest& pRequest) {
    if (pRequest.FileName.empty()) return;
    pDialog.selectFile(Text(pRequest.FileName));
}

} // namespace

std::string FileDialogFilterText(const FileDialogFilter& pFilter) {
    std::string patterns;
    for (const std::string& pattern : pFilter.Patterns) {
        if (!patterns.empty()) patterns += ' ';
        patterns += pattern;
    }
    if (patterns.empty()) return pFilter.Description;
    return pFilter.Description + " (" + patterns + ")";
}

std::optional<std::string> ShowFolderDialog(QWidget* pOwner, const FolderDialogRequest& pRequest) {
    QFileDialog dialog(pOwner, Text(pRequest.Title), StartFolder(pRequest.StartFolder));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::string();
    return QDir::cleanPath(chosen.front()).toStdString();
}

std::optional<std::string> ShowFileDialog(QWidget* pOwner, const FileDialogRequest& pRequest) {
    QFileDialog dialog(pOwner, QString(), StartFolder(pRequest.InitialDir));
    dialog.setAcceptMode(pRequest.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(pRequest.Save || !pRequest.MustExist ? QFileDialog::AnyFile
                                                            : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !pRequest.ConfirmOverwrite);
    if (!pRequest.Filters.empty()) dialog.setNameFilters(NameFilters(pRequest.Filters));
    PresetFileName(dialog, pRequest);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.front().toStdString();
}

std::vector<std::string> ShowOpenFilesDialog(QWidget* pOwner, const FileDialogRequest& pRequest) {
    QFileDialog dialog(pOwner, QString(), StartFolder(pRequest.InitialDir));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (!pRequest.Filters.empty()) dialog.setNameFilters(NameFilters(pRequest.Filters));
    dialog.setWindowModality(Qt::ApplicationModal);
    std::vector<std::string> chosen;
    if (dialog.exec() != QDialog::Accepted) return chosen;
    for (const QString& file : dialog.selectedFiles())
        chosen.push_back(file.toStdString());
    return chosen;
}

} // namespace platform
