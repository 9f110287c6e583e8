#pragma once

#include <string>

namespace platform {

// True when this process may create and remove entries in the folder (write and search
// permission, as the kernel decides for the real user).
bool CanWriteFolder(const std::string& folder);

} // namespace platform
