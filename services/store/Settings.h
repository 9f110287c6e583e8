#pragma once
// Named text values kept per user from one start to the next, in
// $XDG_CONFIG_HOME/quillan/quillan.ini. An empty text is stored as "***" so that
// it stays apart from a missing value; reading never writes the default back.

#include "services/core/AppTitle.h"
#include "services/core/SettingText.h"

#include <cstdint>
#include <string>
#include <string_view>

// Stored form of an empty text.
inline constexpr std::string_view EmptyMarker = "***";
// Longest stored value (bytes) that still reads back; a longer one reads as the default.
inline constexpr size_t SettingReadLimit = 256;
// The maker's name; with AppTitle it places the store.
inline constexpr std::string_view SettingsMaker = "quillan";

// Back end. keyPath names the store as "maker/program" (a backslash works as
// well); empty means the program's own store, maker "quillan" and the program
// name appName (the application title when empty).
std::string RegReadString(std::string_view pValueName, std::string_view pDefaultText,
                          std::string_view pAppName = {}, std::string_view pKeyPath = {});
void RegWriteString(std::string_view pValueName, std::string_view pValue,
                    std::string_view pAppName = {}, std::string_view pKeyPath = {});

// The INI file that holds a store (for diagnosis and tests).
std::string SettingsFilePath(std::string_view pAppName = {}, std::string_view pKeyPath = {});

// The program's own store. The default is turned into text when it is used.
std::string ReadSettingText(std::string_view pKey, std::string_view pDefaultText);
template <class T> std::string ReadSetting(std::string_view pKey, const T& pDefaultValue) {
    return ReadSettingText(pKey, ToSettingText(pDefaultValue));
}
void WriteSettingText(std::string_view pKey, std::string_view pValue);
template <class T> void WriteSetting(std::string_view pKey, const T& pValue) {
    WriteSettingText(pKey, ToSettingText(pValue));
}

// The window whose placement is kept: position and size in twips, state
// 0 normal, 1 minimised, 2 maximised.
class PlacementWindow {
  public:
    virtual ~PlacementWindow() = default;
    virtual int32_t Left() const = 0;
    virtual int32_t Top() const = 0;
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    virtual int32_t WindowState() const = 0;
    virtual void SetLeft(int32_t pTwips) = 0;
    virtual void SetTop(int32_t pTwips) = 0;
    virtual void SetWidth(int32_t pTwips) = 0;
    virtual void SetHeight(int32_t pTwips) = 0;
    virtual void SetWindowState(int32_t pState) = 0;
};

// Keys are prefix + "WindowLeft", "WindowTop", "WindowHeight", "WindowWidth",
// "WindowState". Position and size are restored and saved only while the
// window's state is normal; a stored value that is not a number is skipped.
// The main window passes an empty prefix, noSize 1, noState 0, noPosition 0.
void RestoreWindowPlacement(PlacementWindow& pWindow, std::string_view pKeyPrefix, int32_t pNoSize,
                            int32_t pNoState, int32_t pNoPosition);
void SaveWindowPlacement(const PlacementWindow& pWindow, std::string_view pKeyPrefix,
                         int32_t pNoSize, int32_t pNoState);

// Start-up reading of the diagnosis switches from the store and "ec.txt" in
// the program folder (see ErrorLog.h).
void ReadErrorSwitches();
