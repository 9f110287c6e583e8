#include "platform/core/FileSync.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

std::error_code SyncFile(const std::string& pPath) {
    const int fd = ::open(pPath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return {errno, std::generic_category()};
    std::error_code result;
    if (::fsync(fd) != 0) result = {errno, std::generic_category()};
    ::close(fd);
    return result;
}

} // namespace platform
