#include "cli/Targets.h"

#include "services/core/Paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

namespace {

std::string ErrnoText(int err) {
    return std::strerror(err);
}

// fsync of the work file plus the permission bits of the file it replaces.
std::string PrepareForReplace(const std::string& workPath, const std::string& keepModeOf) {
    struct stat st {};
    const bool haveMode = ::stat(keepModeOf.c_str(), &st) == 0;
    int fd = ::open(workPath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return "write failed: " + ErrnoText(errno);
    std::string error;
    if (haveMode && ::fchmod(fd, st.st_mode & 07777) != 0)
        error = "write failed: " + ErrnoText(errno);
    if (error.empty() && ::fsync(fd) != 0)
        error = errno == ENOSPC ? "disk full" : "write failed: " + ErrnoText(errno);
    ::close(fd);
    return error;
}

} // namespace

Reservation ReserveNumbered(const std::string& wanted, bool numberAlways) {
    std::string previous;
    for (;;) {
        std::string candidate = UniqueName(wanted, 1, 1, 2, numberAlways ? 1 : 0);
        if (candidate.empty()) return {{}, "cannot form a target name from " + wanted};
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return {candidate, {}};
        }
        const int err = errno;
        if (err == ENOSPC) return {{}, "disk full"};
        if (err != EEXIST)
            return {{}, "write failed: cannot create " + candidate + ": " + ErrnoText(err)};
        // Taken by someone else since the name was chosen: the next free number follows.
        // The same name twice means something there (e.g. a dangling link) looks free but
        // cannot be created.
        if (candidate == previous) return {{}, "target exists: " + candidate};
        previous = candidate;
    }
}

std::string WorkFileName(const std::string& finalPath, uint64_t jobNumber) {
    const std::string folder = PathPart(finalPath, 1, 1, 0, 0, 0);
    const std::string name = PathPart(finalPath, 0, 0, 1, 1, 1);
    const std::string stem = (folder == "\\" ? std::string() : folder) + "." + name + "." +
                             std::to_string(::getpid()) + "-" + std::to_string(jobNumber);
    std::string candidate = stem + ".part";
    for (int n = 1; FileExists(candidate); ++n)
        candidate = stem + "-" + std::to_string(n) + ".part";
    return candidate;
}

std::string CommitWorkFile(const std::string& workPath, const std::string& finalPath,
                           const std::string& keepModeOf) {
    if (!keepModeOf.empty()) {
        std::string error = PrepareForReplace(workPath, keepModeOf);
        if (!error.empty()) return error;
    }
    errno = 0;
    if (ReplaceFile(workPath, finalPath, 1)) return {};
    const int err = errno;
    return "write failed: cannot move the result to " + finalPath +
           (err != 0 ? ": " + ErrnoText(err) : std::string());
}

std::string CommitToReservedName(const std::string& workPath, std::string& finalPath,
                                 const std::string& wanted, bool numberAlways) {
    ::unlink(finalPath.c_str());
    if (::renameat2(AT_FDCWD, workPath.c_str(), AT_FDCWD, finalPath.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno != EEXIST && errno != EINVAL && errno != ENOSYS)
        return "write failed: cannot move the result to " + finalPath + ": " + ErrnoText(errno);
    // Taken meanwhile, or no such rename here: a fresh reservation, replaced in one rename.
    Reservation again = ReserveNumbered(wanted, numberAlways);
    if (again.path.empty()) return again.error;
    finalPath = again.path;
    std::string error = CommitWorkFile(workPath, finalPath, {});
    if (!error.empty()) RemoveQuietly(finalPath);
    return error;
}

void RemoveQuietly(const std::string& path) {
    if (!path.empty()) ::unlink(path.c_str());
}

} // namespace cli
