#include "app/RunTarget.h"

#include "platform/core/FolderAccess.h"
#include "services/core/Paths.h"
#include "services/core/ResultFiles.h"

namespace app {

std::string TargetPath(const std::string& source, const std::string& soundPath, int32_t overWrite) {
    std::string target = source;
    if (overWrite == 0 && FolderExists(soundPath) == 1)
        target = SetBackslash(soundPath, 0) + PathPart(source, 0, 0, 1, 1, 1);
    if (FileExists(target) == 1) target = UniqueName(target, 1, 1, 2, 0);
    return target;
}

ItemFiles PlanItemFiles(const std::string& source, const std::string& soundPath,
                        int32_t overWrite) {
    ItemFiles files;
    std::string folder;
    if (overWrite == 1) {
        const results::ReplaceTarget target = results::CheckReplaceable(source);
        if (!target.error.empty()) {
            files.error = target.error;
            return files;
        }
        // Should OverWrite go off during the file, the result stays beside the file replaced.
        files.replaces = target.file;
        files.wanted = target.file;
        files.numberAlways = true;
        folder = target.folder;
    } else if (FolderExists(soundPath) == 1) {
        folder = soundPath;
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        const auto slash = source.rfind('/');
        files.wanted = (folder == "/" ? folder : folder + "/") +
                       (slash == std::string::npos ? source : source.substr(slash + 1));
    } else {
        files.wanted = source;
        files.numberAlways = true;
        folder = results::FolderOf(source);
    }
    if (const std::error_code ec = platform::CheckCanCreateFilesIn(folder)) {
        files.error = "cannot create files in " + folder + ": " + ec.message();
        return files;
    }
    results::RemoveStaleWorkFilesOnce(folder);
    files.work = results::WorkFileIn(folder);
    return files;
}

namespace {

ItemOutcome Claimed(const ItemFiles& files, ItemOutcome success, std::string* finalPath) {
    const results::Claim claim =
        results::ClaimFreeName(files.work, files.wanted, files.numberAlways);
    if (claim.path.empty()) {
        results::RemoveIfPresent(files.work);
        return ItemOutcome::Failed;
    }
    if (finalPath) *finalPath = claim.path;
    return success;
}

} // namespace

ItemOutcome SettleTarget(int32_t result, bool aborted, int32_t overWrite, int64_t keptFrames,
                         const ItemFiles& files, std::string* finalPath) {
    if (finalPath) finalPath->clear();
    if (files.work.empty()) return aborted ? ItemOutcome::Aborted : ItemOutcome::Failed;
    if (aborted || result != 1) {
        results::RemoveIfPresent(files.work);
        return aborted ? ItemOutcome::Aborted : ItemOutcome::Failed;
    }
    const bool replace = overWrite == 1 && !files.replaces.empty();
    if (keptFrames <= 0) {
        // An empty result never takes a source's place.
        if (replace) {
            results::RemoveIfPresent(files.work);
            return ItemOutcome::NoSound;
        }
        return Claimed(files, ItemOutcome::WrittenEmpty, finalPath);
    }
    if (!replace) return Claimed(files, ItemOutcome::Written, finalPath);
    if (results::ReplaceWithResult(files.work, files.replaces).empty()) {
        if (finalPath) *finalPath = files.replaces;
        return ItemOutcome::Replaced;
    }
    return Claimed(files, ItemOutcome::ReplaceFailed, finalPath);
}

} // namespace app
