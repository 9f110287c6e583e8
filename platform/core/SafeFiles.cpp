#include "platform/core/SafeFiles.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
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

std::string ProcessSpace() {
    std::string space;
    if (std::FILE* f = std::fopen("/proc/sys/kernel/random/boot_id", "r")) {
        char id[64] = {};
        if (std::fgets(id, sizeof id, f)) space = id;
        std::fclose(f);
    }
    char ns[64] = {};
    if (::readlink("/proc/self/ns/pid", ns, sizeof ns - 1) > 0) space += ns;
    return space;
}

FileLock::FileLock(const std::string& pPath) : m_Path(pPath) {
    // A holder that removed the file as it finished leaves a lock on a name no longer there:
    // the lock counts only while the path still leads to the locked file.
    for (int attempt = 0; attempt < 8; ++attempt) {
        m_Fd = ::open(pPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_Fd < 0) return;
        if (::flock(m_Fd, LOCK_EX | LOCK_NB) != 0) {
            m_State = errno == EWOULDBLOCK ? State::Busy : State::Failed;
            ::close(m_Fd);
            m_Fd = -1;
            return;
        }
        struct stat held {
        }, named{};
        if (::fstat(m_Fd, &held) == 0 && ::lstat(pPath.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            m_State = State::Taken;
            return;
        }
        ::close(m_Fd);
        m_Fd = -1;
    }
}

FileLock::~FileLock() {
    if (m_Fd < 0) return;
    // Removed while still held, so that no one takes a lock on a file about to go.
    ::unlink(m_Path.c_str());
    ::close(m_Fd);
}

std::error_code CheckCanWrite(const std::string& pPath) {
    if (::access(pPath.c_str(), W_OK) != 0) return LastError();
    return {};
}

uint32_t EffectiveUserId() {
    return ::geteuid();
}

} // namespace platform
