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
struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

std::error_code ReadIdentity(const std::string& path, FileIdentity& identity) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return LastError();
    identity.uid = st.st_uid;
    identity.gid = st.st_gid;
    identity.mode = st.st_mode & 07777;
    identity.regular = S_ISREG(st.st_mode);
    identity.folder = S_ISDIR(st.st_mode);
    identity.links = st.st_nlink;
    return {};
}

std::error_code ResolvePath(const std::string& path, std::string& resolved) {
    char* full = ::realpath(path.c_str(), nullptr);
    if (!full) return LastError();
    resolved = full;
    std::free(full);
    return {};
}

std::error_code TakeOverIdentity(const std::string& path, const FileIdentity& identity,
                                 bool& ownerKept) {
    const Fd file{::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW)};
    if (file.fd < 0) return LastError();
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) return LastError();
    ownerKept = true;
    if (st.st_uid != identity.uid || st.st_gid != identity.gid) {
        // Owner and group where permitted (root), else the group alone (a group of ours).
        if (::fchown(file.fd, identity.uid, identity.gid) != 0) {
            if (errno != EPERM) return LastError();
            ownerKept = false;
            if (st.st_gid != identity.gid && ::fchown(file.fd, uid_t(-1), identity.gid) != 0 &&
                errno != EPERM)
                return LastError();
        }
    }
    // After the owner: a change of owner clears the set-id bits.
    if (::fchmod(file.fd, identity.mode) != 0) return LastError();
    if (::fsync(file.fd) != 0) return LastError();
    return {};
}

std::error_code LinkNoReplace(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) != 0) return LastError();
    return {};
}

std::error_code SyncFolder(const std::string& folder) {
    const Fd dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd < 0) return LastError();
    if (::fsync(dir.fd) != 0) return LastError();
    return {};
}

bool ProcessExists(int pid) {
    if (pid <= 0) return false;
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

std::error_code CheckCanWrite(const std::string& path) {
    if (::access(path.c_str(), W_OK) != 0) return LastError();
    return {};
}

uint32_t EffectiveUserId() {
    return ::geteuid();
}

} // namespace platform
