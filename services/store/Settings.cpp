#include "services/store/Settings.h"
#include "services/store/SettingKeys.h"

#include "platform/qt/SettingsFile.h"
#include "services/core/ErrorLog.h"
#include "services/core/Paths.h"

#include <algorithm>
#include <optional>

namespace {

std::string StoreRelativePath(std::string_view pAppName, std::string_view pKeyPath) {
    if (pKeyPath.empty())
        return std::string(SettingsMaker) + "/" +
               std::string(pAppName.empty() ? AppTitle : pAppName);
    std::string path(pKeyPath);
    std::replace(path.begin(), path.end(), '\\', '/');
    while (!path.empty() && path.front() == '/')
        path.erase(path.begin());
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

// The stored value as the reader sees it; nothing when it is missing or too
// long for the read buffer.
std::optional<std::string> QueryValue(const std::string& pFile, std::string_view pName) {
    std::optional<std::string> value = platform::ReadIniValue(pFile, std::string(pName));
    if (!value || value->size() > SettingReadLimit) return std::nullopt;
    return CutAtNul(*value);
}

// The setting read as a whole number with the window's current value as the
// default; nothing for a stored text that is not a number.
std::optional<int32_t> ReadPlacementValue(std::string_view pPrefix, std::string_view pKey,
                                          int32_t pCurrent) {
    return SettingToInt32(ReadSetting(std::string(pPrefix) + std::string(pKey), pCurrent));
}

void RestorePosition(PlacementWindow& pWindow, std::string_view pPrefix) {
    if (auto left = ReadPlacementValue(pPrefix, keys::kWindowLeft, pWindow.Left()))
        pWindow.SetLeft(*left);
    if (auto top = ReadPlacementValue(pPrefix, keys::kWindowTop, pWindow.Top()))
        pWindow.SetTop(*top);
}

void RestoreSize(PlacementWindow& pWindow, std::string_view pPrefix) {
    if (auto height = ReadPlacementValue(pPrefix, keys::kWindowHeight, pWindow.Height()))
        pWindow.SetHeight(*height);
    if (auto width = ReadPlacementValue(pPrefix, keys::kWindowWidth, pWindow.Width()))
        pWindow.SetWidth(*width);
}

void RestoreState(PlacementWindow& pWindow, std::string_view pPrefix) {
    const auto state = ReadPlacementValue(pPrefix, keys::kWindowState, pWindow.WindowState());
    if (state && *state >= 0 && *state <= 2) pWindow.SetWindowState(*state);
}

void WritePlacementValue(std::string_view pPrefix, std::string_view pKey, int32_t pValue) {
    WriteSetting(std::string(pPrefix) + std::string(pKey), pValue);
}

} // namespace

std::string SettingsFilePath(std::string_view pAppName, std::string_view pKeyPath) {
    return platform::UserConfigFolder() + "/" + StoreRelativePath(pAppName, pKeyPath) + ".ini";
}

std::string RegReadString(std::string_view pValueName, std::string_view pDefaultText,
                          std::string_view pAppName, std::string_view pKeyPath) {
    std::string result(pDefaultText);
    if (auto stored = QueryValue(SettingsFilePath(pAppName, pKeyPath), pValueName))
        result = std::move(*stored);
    if (result == EmptyMarker) result.clear();
    return result;
}

void RegWriteString(std::string_view pValueName, std::string_view pValue, std::string_view pAppName,
                    std::string_view pKeyPath) {
    const std::string text = pValue.empty() ? std::string(EmptyMarker) : std::string(pValue);
    platform::WriteIniValue(SettingsFilePath(pAppName, pKeyPath), std::string(pValueName), text);
}

std::string ReadSettingText(std::string_view key, std::string_view pDefaultText) {
    return CatchUnlessDebugging([&] { return RegReadString(key, pDefaultText); }, std::string());
}

void WriteSettingText(std::string_view key, std::string_view pValue) {
    CatchUnlessDebugging(
        [&] {
            RegWriteString(key, pValue);
            return 0;
        },
        0);
}

void RestoreWindowPlacement(PlacementWindow& window, std::string_view pKeyPrefix, int32_t noSize,
                            int32_t noState, int32_t noPosition) {
    CatchUnlessDebugging(
        [&] {
            if (window.WindowState() == 0) {
                if (!noPosition) RestorePosition(window, pKeyPrefix);
                if (!noSize) RestoreSize(window, pKeyPrefix);
            }
            if (!noState) RestoreState(window, pKeyPrefix);
            return 0;
        },
        0);
}

void SaveWindowPlacement(const PlacementWindow& window, std::string_view pKeyPrefix, int32_t noSize,
                         int32_t noState) {
    CatchUnlessDebugging(
        [&] {
            if (window.WindowState() == 0) {
                WritePlacementValue(pKeyPrefix, keys::kWindowLeft, window.Left());
                WritePlacementValue(pKeyPrefix, keys::kWindowTop, window.Top());
                if (!noSize) {
                    WritePlacementValue(pKeyPrefix, keys::kWindowHeight, window.Height());
                    WritePlacementValue(pKeyPrefix, keys::kWindowWidth, window.Width());
                }
            }
            if (!noState) WritePlacementValue(pKeyPrefix, keys::kWindowState, window.WindowState());
            return 0;
        },
        0);
}

void ReadErrorSwitches() {
    SetErrorSwitches(ReadSetting(keys::kLogError, 0), ReadSetting(keys::kErrorCatch, 0),
                     AppFolder());
}
