#include "platform/core/Descriptors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int OpenDescriptor(const std::string& pPath, OpenFor pMode) {
    const int flags = pMode == OpenFor::Read    ? O_RDONLY
                      : pMode == OpenFor::Write ? O_WRONLY | O_CREAT
                                                : O_WRONLY | O_CREAT | O_EXCL;
    int fd;
    do {
        fd = ::open(pPath.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 || fd >= 3) return fd;
    // Landed on a closed standard stream: move above them.
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return moved;
}

void CloseDescriptor(int pFd) {
    if (pFd >= 0) ::close(pFd);
}

int64_t ReadDescriptorAt(int pFd, int64_t pPosition, void* pBuffer, int64_t pCount) {
    auto* p = static_cast<uint8_t*>(pBuffer);
    int64_t done = 0;
    while (done < pCount) {
        const ssize_t n = ::pread(pFd, p + done, size_t(pCount - done), off_t(pPosition + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break; // end of file
        done += n;
    }
    return done;
}

bool WriteDescriptor(int pFd, const void* pBuffer, int64_t pCount) {
    const auto* p = static_cast<const uint8_t*>(pBuffer);
    while (pCount > 0) {
        const ssize_t n = ::write(pFd, p, size_t(pCount));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        p += n;
        pCount -= n;
    }
    return true;
}

bool SeekDescriptor(int pFd, int64_t pPosition) {
    return ::lseek(pFd, off_t(pPosition), SEEK_SET) == off_t(pPosition);
}

bool SeekDescriptorToEnd(int pFd) {
    return ::lseek(pFd, 0, SEEK_END) >= 0;
}

int64_t DescriptorSize(int pFd) {
    struct stat st {};
    return ::fstat(pFd, &st) == 0 ? int64_t(st.st_size) : -1;
}

bool ResizeDescriptor(int pFd, int64_t pLength) {
    int r;
    do {
        r = ::ftruncate(pFd, off_t(pLength));
    } while (r != 0 && errno == EINTR);
    return r == 0;
}

FileNode NodeOf(int pFd) {
    struct stat st {};
    if (::fstat(pFd, &st) != 0) return {};
    return {uint64_t(st.st_dev), uint64_t(st.st_ino), true, int64_t(st.st_size),
            int64_t(st.st_mtim.tv_sec) * 1000000000 + int64_t(st.st_mtim.tv_nsec)};
}

bool RemoveIfSameNode(const std::string& pPath, const FileNode& pNode) {
    struct stat st {};
    if (!pNode.Known || ::lstat(pPath.c_str(), &st) != 0) return false;
    if (uint64_t(st.st_dev) != pNode.Device || uint64_t(st.st_ino) != pNode.Inode) return false;
    return ::unlink(pPath.c_str()) == 0;
}

} // namespace platform
