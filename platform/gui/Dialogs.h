#pragma once
// Modal folder and file choosers on QFileDialog, with plain std inputs.

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace platform {

struct FolderDialogRequest {
    std::string StartFolder; // opened first; empty: the current directory
    std::string Title;
};

struct FileDialogFilter {
    std::string Description;
    std::vector<std::string> Patterns; // "*.wav", ...
};

struct FileDialogRequest {
    bool Save = false;
    std::vector<FileDialogFilter> Filters;
    std::string InitialDir;
    std::string FileName;
    bool ConfirmOverwrite = false; // save: ask before replacing an existing file
    bool MustExist = false;        // open: only an existing file can be chosen
};

// The filter line QFileDialog shows: "Description (*.wav *.mp3)".
std::string FileDialogFilterText(const FileDialogFilter& pFilter);

// Show the dialog modally over owner (may be null); nothing when cancelled.
std::optional<std::string> ShowFolderDialog(QWidget* pOwner, const FolderDialogRequest& pRequest);
std::optional<std::string> ShowFileDialog(QWidget* pOwner, const FileDialogRequest& pRequest);
// An open dialog in which several existing files can be chosen; empty when cancelled.
std::vector<std::string> ShowOpenFilesDialog(QWidget* pOwner, const FileDialogRequest& pRequest);

} // namespace platform
