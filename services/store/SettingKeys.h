#pragma once
// The keys the program stores besides the panel's (those are in services/job).

#include <array>

namespace keys {

// Whether the window shows the preview strip ("1", the default, or "0").
inline constexpr const char* kShowPreview = "ShowPreview";
// The stored language choice on a Japanese system.
inline constexpr const char* kLangMode = "LangMode";
// The diagnosis switches (see ErrorLog.h).
inline constexpr const char* kLogError = "LogError";
inline constexpr const char* kErrorCatch = "ErrorCatch";
// The window's placement, each after the window's key prefix: twips, and state 0 normal,
// 1 minimised, 2 maximised.
inline constexpr const char* kWindowLeft = "WindowLeft";
inline constexpr const char* kWindowTop = "WindowTop";
inline constexpr const char* kWindowWidth = "WindowWidth";
inline constexpr const char* kWindowHeight = "WindowHeight";
inline constexpr const char* kWindowState = "WindowState";
// What OverWrite does with each original it replaces: "Trash" (the default), "Backup" (a copy
// in BackupFolder) or "None".
inline constexpr const char* kOriginals = "Originals";
inline constexpr const char* kBackupFolder = "BackupFolder";

inline constexpr std::array kWindowKeys = {kShowPreview, kLangMode,  kLogError,    kErrorCatch,
                                           kWindowLeft,  kWindowTop, kWindowWidth, kWindowHeight,
                                           kWindowState, kOriginals, kBackupFolder};

} // namespace keys
