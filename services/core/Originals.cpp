#include "services/core/Originals.h"

#include "platform/core/Trash.h"
#include "services/core/ResultFiles.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace results {

namespace {

// Copies pFile to its mirrored place in the backup folder, under a numbered name when the
// name is taken (an earlier run's backup is never overwritten).
std::string CopyToBackup(const std::string& pFile, const std::string& pBackupDir,
                         KeptOriginal& pKept) {
    const std::string wanted = BackupPathFor(pBackupDir, pFile);
    const std::string folder = FolderOf(wanted);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec && !fs::is_directory(folder))
        return "cannot create the backup folder " + folder + ": " + ec.message();
    const std::string work = WorkFileIn(folder);
    fs::copy_file(pFile, work, ec);
    if (ec) {
        RemoveIfPresent(work);
        return "cannot copy the original to " + folder + ": " + ec.message();
    }
    const Claim claim = ClaimFreeName(work, wanted, false);
    if (claim.Path.empty()) {
        RemoveIfPresent(work);
        return claim.Error;
    }
    pKept.Path = claim.Path;
    return {};
}

std::string Keep(const std::string& pFile, const OriginalsRule& pRule, KeptOriginal& pKept) {
    switch (pRule.Keep) {
    case KeepOriginal::None:
        return {};
    case KeepOriginal::Backup:
        return CopyToBackup(pFile, pRule.BackupDir, pKept);
    case KeepOriginal::Trash: {
        const platform::TrashEntry entry = platform::LinkIntoTrash(pFile);
        pKept.Path = entry.File;
        pKept.TrashInfo = entry.Info;
        return entry.Error;
    }
    }
    return {};
}

void Forget(const KeptOriginal& pKept) {
    if (!pKept.TrashInfo.empty())
        platform::RemoveTrashEntry({pKept.Path, pKept.TrashInfo, {}});
    else
        RemoveIfPresent(pKept.Path);
}

} // namespace

std::string BackupPathFor(const std::string& pBackupDir, const std::string& pFile) {
    std::string folder = pBackupDir;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return (folder == "/" ? "" : folder) + (pFile.empty() || pFile[0] != '/' ? "/" : "") + pFile;
}

std::string KeepAndReplace(const std::string& pWorkFile, const std::string& pFile,
                           const OriginalsRule& pRule, KeptOriginal& pKept) {
    pKept = {};
    std::string error = Keep(pFile, pRule, pKept);
    if (!error.empty()) {
        Forget(pKept);
        pKept = {};
        return std::string("not replaced: the original could not be ") +
               (pRule.Keep == KeepOriginal::Trash ? "moved to the Trash: " : "backed up: ") + error;
    }
    error = ReplaceWithResult(pWorkFile, pFile);
    if (!error.empty()) {
        Forget(pKept);
        pKept = {};
    }
    return error;
}

} // namespace results
