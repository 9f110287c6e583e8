#pragma once
// Modal folder and file choosers on QFileDialog, with plain std inputs.

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace platform {

struct FolderDialogRequest {
    std::string startFolder; // opened first; empty: the current directory
    std::string title;
};

struct FileDialogFilter {
    std::string description;
    std::vector<std::string> patterns; // "*.wav", ...
};

struct FileDialogRequest {
    bool save = false;
    std::vector<FileDialogFilter> filters;
    std::string initialDir;
    std::string fileName;
    bool confirmOverwrite = false; // save: ask before replacing an existing file
    bool mustExist = false;        // open: only an existing file can be chosen
};

// The filter line QFileDialog shows: "Description (*.wav *.mp3)".
std::string FileDialogFilterText(const FileDialogFilter& pFilter);

// Show the dialog modally over owner (may be null); nothing when cancelled.
std::optional<std::string> ShowFolderDialog(QWidget* pOwner, const FolderDialogRequest& pRequest);
std::optional<std::string> ShowFileDialog(QWidget* pOwner, const FileDialogRequest& pRequest);

} // namespace platform
