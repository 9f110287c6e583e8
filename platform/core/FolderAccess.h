#pragma once

// Whether this process may add files to a folder.

#include <string>
#include <system_error>

namespace platform {

// Empty when the process may create files in folder (write and search permission),
// otherwise the reason (e.g. std::errc::permission_denied).
std::error_code CheckCanCreateFilesIn(const std::string& pFolder);

// True when the process may create and remove entries in folder.
inline bool CanWriteFolder(const std::string& pFolder) {
    return !CheckCanCreateFilesIn(pFolder);
}

} // namespace platform
