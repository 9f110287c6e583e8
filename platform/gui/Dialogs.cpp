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
    if (pRequest.fileName.empty()) return;
    pDialog.selectFile(Text(pRequest.fileName));
}

} // namespace

std::string FileDialogFilterText(const FileDialogFilter& pFilter) {
    std::string patterns;
    for (const std::string& pattern : pFilter.patterns) {
        if (!patterns.empty()) patterns += ' ';
        patterns += pattern;
    }
    if (patterns.empty()) return pFilter.description;
    return pFilter.description + " (" + patterns + ")";
}

std::optional<std::string> ShowFolderDialog(QWidget* pOwner, const FolderDialogRequest& pRequest) {
    QFileDialog dialog(pOwner, Text(pRequest.title), StartFolder(pRequest.startFolder));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::string();
    return QDir::cleanPath(chosen.front()).toStdString();
}

std::optional<std::string> ShowFileDialog(QWidget* pOwner, const FileDialogRequest& pRequest) {
    QFileDialog dialog(pOwner, QString(), StartFolder(pRequest.initialDir));
    dialog.setAcceptMode(pRequest.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(pRequest.save || !pRequest.mustExist ? QFileDialog::AnyFile
                                                            : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !pRequest.confirmOverwrite);
    if (!pRequest.filters.empty()) dialog.setNameFilters(NameFilters(pRequest.filters));
    PresetFileName(dialog, pRequest);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.front().toStdString();
}

} // namespace platform
