#pragma once
// Folder and file pickers for the path box: modal, owned by a window, an empty
// text when the user cancels.

#include "platform/gui/Dialogs.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QWidget;

// Title shown when the caller gives none.
inline constexpr std::string_view DefaultFolderTitle = "フォルダを選択してください";

// The chosen folder with a trailing separator; empty when cancelled.
std::string PickFolder(const std::string& startPath, const std::string& title, QWidget* owner);

// The chosen file; empty when cancelled. filter: "description|pattern" pairs
// joined by "|" (patterns separated by ";"). flags -1: the usual rules (save
// asks before overwriting, open wants an existing file); otherwise the
// overwrite-prompt (0x2) and file-must-exist (0x1000) bits decide.
std::string PickFile(QWidget* owner, int32_t isSave, const std::string& filter,
                     const std::string& initialDir, const std::string& fileName, int32_t flags);

// What the pickers ask of the dialogs and make of their answers.
platform::FolderDialogRequest FolderPickRequest(const std::string& startPath,
                                                const std::string& title,
                                                const std::string& currentDir);
std::string FolderPickResult(const std::optional<std::string>& chosen);
platform::FileDialogRequest FilePickRequest(int32_t isSave, const std::string& filter,
                                            const std::string& initialDir,
                                            const std::string& fileName, int32_t flags);
std::string FilePickResult(const std::optional<std::string>& chosen);
