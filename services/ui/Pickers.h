#pragma once
// Folder and file pickers for the path box: modal, owned by a window, an empty
// text when the user cancels.

#include "platform/gui/Dialogs.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

// Title shown when the caller gives none: in Japanese, or in English on a system that is not
// Japanese (LangMode 1).
inline constexpr std::string_view DefaultFolderTitle = "フォルダを選択してください";
inline constexpr std::string_view EnglishFolderTitle = "Choose a folder";
std::string_view DefaultFolderTitleFor(int32_t pLangMode);

// The chosen folder with a trailing separator; empty when cancelled.
std::string PickFolder(const std::string& pStartPath, const std::string& pTitle, QWidget* pOwner);

// The chosen file; empty when cancelled. filter: "description|pattern" pairs
// joined by "|" (patterns separated by ";"). flags -1: the usual rules (save
// asks before overwriting, open wants an existing file); otherwise the
// overwrite-prompt (0x2) and file-must-exist (0x1000) bits decide.
std::string PickFile(QWidget* pOwner, int32_t pIsSave, const std::string& pFilter,
                     const std::string& pInitialDir, const std::string& pFileName, int32_t pFlags);

// Several existing files chosen in one open dialog, in the dialog's order; empty when
// cancelled. filter as for PickFile.
std::vector<std::string> PickFiles(QWidget* pOwner, const std::string& pFilter,
                                   const std::string& pInitialDir);

// What the pickers ask of the dialogs and make of their answers.
platform::FolderDialogRequest FolderPickRequest(const std::string& pStartPath,
                                                const std::string& pTitle,
                                                const std::string& pCurrentDir);
std::string FolderPickResult(const std::optional<std::string>& pChosen);
platform::FileDialogRequest FilePickRequest(int32_t pIsSave, const std::string& pFilter,
                                            const std::string& pInitialDir,
                                            const std::string& pFileName, int32_t pFlags);
std::string FilePickResult(const std::optional<std::string>& pChosen);
