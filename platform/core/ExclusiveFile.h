#pragma once

// Creating and moving files without ever replacing one that is there: for names that
// several jobs or processes may want at the same moment.

#include <string>
#include <system_error>

namespace platform {

// Creates path as an empty file, only when nothing exists under that name (O_EXCL).
// std::errc::file_exists when the name is taken.
std::error_code CreateExclusive(const std::string& pPath);

// Moves from onto to in one rename that fails with std::errc::file_exists when to exists.
// File systems without such a rename answer std::errc::invalid_argument or
// std::errc::function_not_supported.
std::error_code RenameNoReplace(const std::string& pFrom, const std::string& pTo);

} // namespace platform
