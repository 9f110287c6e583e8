#include "platform/core/FolderAccess.h"

#include <cerrno>
#include <unistd.h>

namespace platform {

std::error_code CheckCanCreateFilesIn(const std::string& pFolder) {
    if (::access(pFolder.c_str(), W_OK | X_OK) != 0) return {errno, std::generic_category()};
    return {};
}

} // namespace platform
