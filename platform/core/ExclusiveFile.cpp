#include "platform/core/ExclusiveFile.h"

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace platform {

namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

} // namespace

std::error_code CreateExclusive(const std::string& pPath) {
    const int fd = ::open(pPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return LastError();
    ::close(fd);
    return {};
}

std::error_code RenameNoReplace(const std::string& pFrom, const std::string& pTo) {
    if (::renameat2(AT_FDCWD, pFrom.c_str(), AT_FDCWD, pTo.c_str(), RENAME_NOREPLACE) != 0)
        return LastError();
    return {};
}

} // namespace platform
