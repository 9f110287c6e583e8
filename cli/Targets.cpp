#include "cli/Targets.h"

#include "platform/core/ExclusiveFile.h"
#include "platform/core/FileSync.h"
#include "platform/core/Process.h"
#include "services/core/Paths.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace cli {

namespace {

std::string ErrnoText(int err) {
    return std::strerror(err);
}

bool IsDiskFull(const std::error_code& ec) {
    return ec == std::errc::no_space_on_device;
}

// The permission bits of the file it replaces, then the data flushed to disk.
std::string PrepareForReplace(const std::string& workPath, const std::string& keepModeOf) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status kept = fs::status(keepModeOf, ec);
    if (!ec && fs::exists(kept)) {
        fs::permissions(workPath, kept.permissions() & fs::perms::mask, ec);
        if (ec) return "write failed: " + ec.message();
    }
    ec = platform::SyncFile(workPath);
    if (ec) return IsDiskFull(ec) ? "disk full" : "write failed: " + ec.message();
    return {};
}

} // namespace

Reservation ReserveNumbered(const std::string& wanted, bool numberAlways) {
    std::string previous;
    for (;;) {
        std::string candidate = UniqueName(wanted, 1, 1, 2, numberAlways ? 1 : 0);
        if (candidate.empty()) return {{}, "cannot form a target name from " + wanted};
        const std::error_code ec = platform::CreateExclusive(candidate);
        if (!ec) return {candidate, {}};
        if (IsDiskFull(ec)) return {{}, "disk full"};
        if (ec != std::errc::file_exists)
            return {{}, "write failed: cannot create " + candidate + ": " + ec.message()};
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
                             std::to_string(platform::CurrentProcessId()) + "-" +
                             std::to_string(jobNumber);
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
    RemoveQuietly(finalPath);
    const std::error_code ec = platform::RenameNoReplace(workPath, finalPath);
    if (!ec) return {};
    if (ec != std::errc::file_exists && ec != std::errc::invalid_argument &&
        ec != std::errc::function_not_supported)
        return "write failed: cannot move the result to " + finalPath + ": " + ec.message();
    // Taken meanwhile, or no such rename here: a fresh reservation, replaced in one rename.
    Reservation again = ReserveNumbered(wanted, numberAlways);
    if (again.path.empty()) return again.error;
    finalPath = again.path;
    std::string error = CommitWorkFile(workPath, finalPath, {});
    if (!error.empty()) RemoveQuietly(finalPath);
    return error;
}

void RemoveQuietly(const std::string& path) {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove(path, ignored);
}

} // namespace cli
