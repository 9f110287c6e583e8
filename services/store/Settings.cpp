#include "services/store/Settings.h"

#include "platform/qt/SettingsFile.h"
#include "services/core/ErrorLog.h"
#include "services/core/Paths.h"

#include <algorithm>
#include <optional>

namespace {

std::string StoreRelativePath(std::string_view appName, std::string_view keyPath) {
    if (keyPath.empty())
        return std::string(SettingsMaker) + "/" + std::string(appName.empty() ? AppTitle : appName);
    std::string path(keyPath);
    std::replace(path.begin(), path.end(), '\\', '/');
    while (!path.empty() && path.front() == '/')
        path.erase(path.begin());
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

// The stored value as the reader sees it; nothing when it is missing or too
// long for the read buffer.
std::optional<std::string> QueryValue(const std::string& file, std::string_view name) {
    std::optional<std::string> value = platform::ReadIniValue(file, std::string(name));
    if (!value || value->size() > SettingReadLimit) return std::nullopt;
    return CutAtNul(*value);
}

// The setting read as a whole number with the window's current value as the
// default; nothing for a stored text that is not a number.
std::optional<int32_t> ReadPlacementValue(std::string_view prefix, std::string_view key,
                                          int32_t current) {
    return SettingToInt32(ReadSetting(std::string(prefix) + std::string(key), current));
}

void RestorePosition(PlacementWindow& window, std::string_view prefix) {
    if (auto left = ReadPlacementValue(prefix, "WindowLeft", window.Left())) window.SetLeft(*left);
    if (auto top = ReadPlacementValue(prefix, "WindowTop", window.Top())) window.SetTop(*top);
}

void RestoreSize(PlacementWindow& window, std::string_view prefix) {
    if (auto height = ReadPlacementValue(prefix, "WindowHeight", window.Height()))
        window.SetHeight(*height);
    if (auto width = ReadPlacementValue(prefix, "WindowWidth", window.Width()))
        window.SetWidth(*width);
}

void RestoreState(PlacementWindow& window, std::string_view prefix) {
    const auto state = ReadPlacementValue(prefix, "WindowState", window.WindowState());
    if (state && *state >= 0 && *state <= 2) window.SetWindowState(*state);
}

void WritePlacementValue(std::string_view prefix, std::string_view key, int32_t value) {
    WriteSetting(std::string(prefix) + std::string(key), value);
}

} // namespace

std::string SettingsFilePath(std::string_view appName, std::string_view keyPath) {
    return platform::UserConfigFolder() + "/" + StoreRelativePath(appName, keyPath) + ".ini";
}

std::string RegReadString(std::string_view valueName, std::string_view defaultText,
                          std::string_view appName, std::string_view keyPath) {
    std::string result(defaultText);
    if (auto stored = QueryValue(SettingsFilePath(appName, keyPath), valueName))
        result = std::move(*stored);
    if (result == EmptyMarker) result.clear();
    return result;
}

void RegWriteString(std::string_view valueName, std::string_view value, std::string_view appName,
                    std::string_view keyPath) {
    const std::string text = value.empty() ? std::string(EmptyMarker) : std::string(value);
    platform::WriteIniValue(SettingsFilePath(appName, keyPath), std::string(valueName), text);
}

std::string ReadSettingText(std::string_view key, std::string_view defaultText) {
    return CatchUnlessDebugging([&] { return RegReadString(key, defaultText); }, std::string());
}

void WriteSettingText(std::string_view key, std::string_view value) {
    CatchUnlessDebugging(
        [&] {
            RegWriteString(key, value);
            return 0;
        },
        0);
}

void RestoreWindowPlacement(PlacementWindow& window, std::string_view keyPrefix, int32_t noSize,
                            int32_t noState, int32_t noPosition) {
    CatchUnlessDebugging(
        [&] {
            if (window.WindowState() == 0) {
                if (!noPosition) RestorePosition(window, keyPrefix);
                if (!noSize) RestoreSize(window, keyPrefix);
            }
            if (!noState) RestoreState(window, keyPrefix);
            return 0;
        },
        0);
}

void SaveWindowPlacement(const PlacementWindow& window, std::string_view keyPrefix, int32_t noSize,
                         int32_t noState) {
    CatchUnlessDebugging(
        [&] {
            if (window.WindowState() == 0) {
                WritePlacementValue(keyPrefix, "WindowLeft", window.Left());
                WritePlacementValue(keyPrefix, "WindowTop", window.Top());
                if (!noSize) {
                    WritePlacementValue(keyPrefix, "WindowHeight", window.Height());
                    WritePlacementValue(keyPrefix, "WindowWidth", window.Width());
                }
            }
            if (!noState) WritePlacementValue(keyPrefix, "WindowState", window.WindowState());
            return 0;
        },
        0);
}

void ReadErrorSwitches() {
    SetErrorSwitches(ReadSetting("LogError", 0), ReadSetting("ErrorCatch", 0), AppFolder());
}
