#include "services/core/ResultFiles.h"

#include "platform/core/ExclusiveFile.h"
#include "platform/core/FileSync.h"
#include "platform/core/FolderAccess.h"
#include "platform/core/Process.h"
#include "platform/core/SafeFiles.h"

#include <atomic>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace results {

namespace {

constexpr const char* kWorkPrefix = ".quillan-";
constexpr const char* kWorkSuffix = ".part";
// Enough for any real folder; bounded so that a folder where every name is taken cannot
// keep a job busy.
constexpr int64_t kLastNumber = 99999;

bool Exists(const std::string& pPath) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(pPath, ec));
}

std::string Joined(const std::string& pFolder, const std::string& pName) {
    if (pFolder.empty()) return pName;
    return pFolder.back() == '/' ? pFolder + pName : pFolder + "/" + pName;
}

std::string WriteFailure(const std::string& pWhat, const std::error_code& pEc) {
    if (pEc == std::errc::no_space_on_device) return "disk full";
    return "write failed: " + pWhat + ": " + pEc.message();
}

// All digits, at least one, no sign; the value fits an int.
bool ReadNumber(const std::string& pText, int64_t& pValue) {
    if (pText.empty() || pText.size() > 9) return false;
    pValue = 0;
    for (char c : pText) {
        if (c < '0' || c > '9') return false;
        pValue = pValue * 10 + (c - '0');
    }
    return true;
}

// This machine, boot and pid namespace, as work-file names carry it: a process id is judged
// only where it means the same process (a container on the same host has its own ids, and
// two hosts may share a folder).
const std::string& HostTag() {
    static const std::string tag = WorkFileTag(platform::HostName(), platform::ProcessSpace());
    return tag;
}

} // namespace

std::string WorkFileTag(const std::string& pHost, const std::string& pSpace) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const unsigned char c : pHost + '\n' + pSpace) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuv";
    std::string tag;
    for (int i = 0; i < 12; ++i, hash >>= 5) // 60 bits in 12 letters and digits
        tag += kDigits[hash & 31];
    return tag;
}

std::string WorkFileHostPart() {
    return "@" + HostTag();
}

std::string FolderOf(const std::string& pPath) {
    const auto slash = pPath.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return pPath.substr(0, slash);
}

std::string NumberedName(const std::string& pWanted, int64_t pN) {
    if (pN <= 0) return pWanted;
    const auto slash = pWanted.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    auto dot = pWanted.rfind('.');
    if (dot == std::string::npos || dot < nameStart) dot = pWanted.size();
    std::string number = std::to_string(pN);
    if (number.size() < 2) number.insert(0, "0");
    return pWanted.substr(0, dot) + number + pWanted.substr(dot);
}

std::string WorkFileIn(const std::string& pFolder) {
    static std::atomic<uint64_t> counter{0};
    const std::string stem = kWorkPrefix + std::to_string(platform::CurrentProcessId()) + "-";
    for (;;) {
        // A file of a dead process that had our id may still be there: the next number.
        std::string candidate = Joined(pFolder, stem + std::to_string(counter.fetch_add(1) + 1) +
                                                    "@" + HostTag() + kWorkSuffix);
        if (!Exists(candidate)) return candidate;
    }
}

WorkFile StartWorkFile(const std::string& pFolder) {
    if (const std::error_code ec = platform::CheckCanCreateFilesIn(pFolder))
        return {{}, "cannot create files in " + pFolder + ": " + ec.message()};
    RemoveStaleWorkFilesOnce(pFolder);
    return {WorkFileIn(pFolder), {}};
}

int WorkFileOwner(const std::string& pFileName) {
    const std::string prefix = kWorkPrefix, suffix = kWorkSuffix;
    if (pFileName.size() <= prefix.size() + suffix.size() || pFileName.rfind(prefix, 0) != 0 ||
        pFileName.compare(pFileName.size() - suffix.size(), suffix.size(), suffix) != 0)
        return -1;
    std::string middle =
        pFileName.substr(prefix.size(), pFileName.size() - prefix.size() - suffix.size());
    // Work files of other machines are not ours to judge.
    const auto at = middle.find('@');
    if (at == std::string::npos || middle.substr(at + 1) != HostTag()) return -1;
    middle.resize(at);
    const auto dash = middle.find('-');
    int64_t pid = 0, job = 0;
    if (dash == std::string::npos || !ReadNumber(middle.substr(0, dash), pid) ||
        !ReadNumber(middle.substr(dash + 1), job) || pid <= 0)
        return -1;
    return static_cast<int>(pid);
}

int RemoveStaleWorkFiles(const std::string& pFolder) {
    std::error_code ec;
    fs::directory_iterator it(pFolder.empty() ? "." : pFolder, ec);
    if (ec) return 0;
    const int self = platform::CurrentProcessId();
    int removed = 0;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        const int pid = WorkFileOwner(it->path().filename().string());
        if (pid <= 0 || pid == self || platform::ProcessExists(pid)) continue;
        std::error_code typeError;
        if (!fs::is_regular_file(it->symlink_status(typeError)) || typeError) continue;
        std::error_code removeError;
        if (fs::remove(it->path(), removeError)) ++removed;
    }
    return removed;
}

void RemoveStaleWorkFilesOnce(const std::string& pFolder) {
    static std::mutex mutex;
    static std::set<std::string> swept, named; // folders by their real path, and as named
    {
        // A run names the same folder for every file: no path resolution after the first.
        std::lock_guard lock(mutex);
        if (named.count(pFolder) != 0) return;
    }
    std::error_code ec;
    std::string key = fs::weakly_canonical(pFolder.empty() ? "." : pFolder, ec).string();
    if (ec) key = pFolder;
    {
        std::lock_guard lock(mutex);
        named.insert(pFolder);
        if (!swept.insert(key).second) return;
    }
    RemoveStaleWorkFiles(pFolder);
}

ReplaceTarget CheckReplaceable(const std::string& pSource) {
    ReplaceTarget t;
    if (const std::error_code ec = platform::ResolvePath(pSource, t.File)) {
        t.Error = "cannot read: " + ec.message();
        return t;
    }
    t.Folder = FolderOf(t.File);
    platform::FileIdentity file, folder;
    if (const std::error_code ec = platform::ReadIdentity(t.File, file)) {
        t.Error = "cannot read: " + ec.message();
        return t;
    }
    if (!file.Regular) {
        t.Error = "not a regular file";
        return t;
    }
    // Read-only means no write bit for anyone, whoever runs the program (root too).
    if ((file.Mode & 0222) == 0) {
        t.Error = "the source is read-only: not replaced";
        return t;
    }
    if (const std::error_code ec = platform::CheckCanWrite(t.File)) {
        t.Error = "cannot replace the source: " + ec.message();
        return t;
    }
    if (const std::error_code ec = platform::CheckCanCreateFilesIn(t.Folder)) {
        t.Error =
            "cannot replace the source: cannot create files in " + t.Folder + ": " + ec.message();
        return t;
    }
    // In a sticky folder (/tmp) only the file's or the folder's owner may rename over it.
    const uint32_t self = platform::EffectiveUserId();
    if (!platform::ReadIdentity(t.Folder, folder) && (folder.Mode & 01000) != 0 && self != 0 &&
        file.Uid != self && folder.Uid != self) {
        t.Error = "cannot replace the source: another user's file in a shared folder";
        return t;
    }
    return t;
}

std::string ReplaceWithResult(const std::string& pWorkFile, const std::string& pFile) {
    platform::FileIdentity identity;
    if (const std::error_code ec = platform::ReadIdentity(pFile, identity))
        return "write failed: cannot read " + pFile + ": " + ec.message();
    bool ownerKept = true;
    if (const std::error_code ec = platform::TakeOverIdentity(pWorkFile, identity, ownerKept))
        return WriteFailure("cannot prepare the result", ec);
    std::error_code ec;
    fs::rename(pWorkFile, pFile, ec);
    if (ec) return WriteFailure("cannot move the result to " + pFile, ec);
    // The rename itself reaches the disk too; the result is in place either way.
    (void)platform::SyncFolder(FolderOf(pFile));
    return {};
}

namespace {

// The claimed name reaches the disk too; the result is in place either way.
Claim Claimed(const std::string& pPath) {
    (void)platform::SyncFolder(FolderOf(pPath));
    return {pPath, {}};
}

} // namespace

Claim ClaimFreeName(const std::string& pWorkFile, const std::string& pWanted, bool pNumberAlways) {
    // The data first: a crash after the claim must not leave a short file under a real name.
    if (const std::error_code ec = platform::SyncFile(pWorkFile))
        return {{}, WriteFailure("cannot flush the result", ec)};
    bool linkInstead = false; // the file system has no rename that refuses to replace
    for (int64_t n = pNumberAlways ? 1 : 0; n <= kLastNumber; ++n) {
        const std::string candidate = NumberedName(pWanted, n);
        std::error_code ec;
        if (!linkInstead) {
            ec = platform::RenameNoReplace(pWorkFile, candidate);
            if (!ec) return Claimed(candidate);
            linkInstead = ec == std::errc::invalid_argument ||
                          ec == std::errc::function_not_supported ||
                          ec == std::errc::operation_not_supported;
        }
        if (linkInstead) {
            ec = platform::LinkNoReplace(pWorkFile, candidate);
            if (!ec) {
                RemoveIfPresent(pWorkFile);
                return Claimed(candidate);
            }
        }
        // Taken by a file, a folder or a dangling link, perhaps by another job a moment ago.
        if (ec == std::errc::file_exists) continue;
        return {{}, WriteFailure("cannot move the result to " + candidate, ec)};
    }
    return {{}, "write failed: no free numbered name for " + pWanted};
}

void RemoveIfPresent(const std::string& pPath) {
    std::error_code ignored;
    if (!pPath.empty()) fs::remove(pPath, ignored);
}

} // namespace results
