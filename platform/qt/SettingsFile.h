#pragma once
// Text values by name in one INI file, through QSettings. Each call opens the
// file, does its work and writes back at once.

#include <optional>
#include <string>

namespace platform {

// The per-user config folder: $XDG_CONFIG_HOME when absolute, else ~/.config.
std::string UserConfigFolder();

// The stored text, or nothing when the file or the value is missing.
std::optional<std::string> ReadIniValue(const std::string& pFile, const std::string& pName);
// Stores the text (creating folder and file); false when it cannot be written.
bool WriteIniValue(const std::string& pFile, const std::string& pName, const std::string& pValue);

} // namespace platform
