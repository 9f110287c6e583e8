#include "platform/core/SafeFiles.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

// Closes a descriptor when it goes out of scope.
// Closes its descriptor when it goes out of scope.
struct OwnedFd {
    int Fd;
    ~OwnedFd() {
        if (Fd >= 0) ::close(Fd);
    }
};

} // namespace

std::error_code ReadIdentity(const std::string& pPath, FileIdentity& pIdentity) {
    struct stat st {};
    if (::stat(pPath.c_str(), &st) != 0) return LastError();
    pIdentity.Uid = st.st_uid;
    pIdentity.Gid = st.st_gid;
    pIdentity.Mode = st.st_mode & 07777;
    pIdentity.Regular = S_ISREG(st.st_mode);
    pIdentity.Folder = S_ISDIR(st.st_mode);
    pIdentity.Links = st.st_nlink;
    pIdentity.Device = st.st_dev;
    pIdentity.Inode = st.st_ino;
    pIdentity.Size = st.st_size;
    pIdentity.ModifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return {};
}

std::error_code ResolvePath(const std::string& pPath, std::string& pResolved) {
    char* full = ::realpath(pPath.c_str(), nullptr);
    if (!full) return LastError();
    pResolved = full;
    std::free(full);
    return {};
}

std::error_code TakeOverIdentity(const std::string& pPath, const FileIdentity& pIdentity,
                                 bool& pOwnerKept) {
    const OwnedFd file{::open(pPath.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW)};
    if (file.Fd < 0) return LastError();
    struct stat st {};
    if (::fstat(file.Fd, &st) != 0) return LastError();
    pOwnerKept = true;
    if (st.st_uid != pIdentity.Uid || st.st_gid != pIdentity.Gid) {
        // Owner and group where permitted (root), else the group alone (a group of ours).
        if (::fchown(file.Fd, pIdentity.Uid, pIdentity.Gid) != 0) {
            if (errno != EPERM) return LastError();
            pOwnerKept = false;
            if (st.st_gid != pIdentity.Gid && ::fchown(file.Fd, uid_t(-1), pIdentity.Gid) != 0 &&
                errno != EPERM)
                return LastError();
        }
    }
    // After the owner: a change of owner clears the set-id bits.
    if (::fchmod(file.Fd, pIdentity.Mode) != 0) return LastError();
    if (::fsync(file.Fd) != 0) return LastError();
    return {};
}

std::error_code LinkNoReplace(const std::string& pFrom, const std::string& pTo) {
    if (::link(pFrom.c_str(), pTo.c_str()) != 0) return LastError();
    return {};
}

std::error_code SyncFolder(const std::string& pFolder) {
    const OwnedFd dir{::open(pFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.Fd < 0) return LastError();
    if (::fsync(dir.Fd) != 0) return LastError();
    return {};
}

bool ProcessExists(int pPid) {
    if (pPid <= 0) return false;
    return ::kill(pPid, 0) == 0 || errno == EPERM;
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

std::error_code CheckCanWrite(const std::string& pPath) {
    if (::access(pPath.c_str(), W_OK) != 0) return LastError();
    return {};
}

uint32_t EffectiveUserId() {
    return ::geteuid();
}

} // namespace platform
