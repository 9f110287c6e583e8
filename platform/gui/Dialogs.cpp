#include "platform/gui/Dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

namespace platform {

namespace {

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

QStringList NameFilters(const std::vector<FileDialogFilter>& filters) {
    QStringList list;
    for (const FileDialogFilter& filter : filters)
        list << Text(FileDialogFilterText(filter));
    return list;
}

QString StartFolder(const std::string& folder) {
    return folder.empty() ? QDir::currentPath() : Text(folder);
}

// The dialog's own file name box starts with the given name (in the start folder
// unless the name carries a folder of its own).
void PresetFileName(QFileDialog& dialog, const FileDialogRequest& request) {
    if (request.fileName.empty()) return;
    dialog.selectFile(Text(request.fileName));
}

} // namespace

std::string FileDialogFilterText(const FileDialogFilter& filter) {
    std::string patterns;
    for (const std::string& pattern : filter.patterns) {
        if (!patterns.empty()) patterns += ' ';
        patterns += pattern;
    }
    if (patterns.empty()) return filter.description;
    return filter.description + " (" + patterns + ")";
}

std::optional<std::string> ShowFolderDialog(QWidget* owner, const FolderDialogRequest& request) {
    QFileDialog dialog(owner, Text(request.title), StartFolder(request.startFolder));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::string();
    return QDir::cleanPath(chosen.front()).toStdString();
}

std::optional<std::string> ShowFileDialog(QWidget* owner, const FileDialogRequest& request) {
    QFileDialog dialog(owner, QString(), StartFolder(request.initialDir));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save || !request.mustExist ? QFileDialog::AnyFile
                                                          : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.filters.empty()) dialog.setNameFilters(NameFilters(request.filters));
    PresetFileName(dialog, request);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.front().toStdString();
}

} // namespace platform
