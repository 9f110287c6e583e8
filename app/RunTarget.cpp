#include "app/RunTarget.h"

#include "services/core/Paths.h"
#include "services/core/ResultFiles.h"

namespace app {

std::string TargetPath(const std::string& pSource, const std::string& pSoundPath,
                       int32_t pOverWrite) {
    std::string target = pSource;
    if (pOverWrite == 0 && FolderExists(pSoundPath) == 1)
        target = SetBackslash(pSoundPath, 0) + PathPart(pSource, PathParts::Name);
    if (FileExists(target) == 1) target = UniqueName(target, 1, 1, 2, 0);
    return target;
}

ItemFiles PlanItemFiles(const std::string& pSource, const std::string& pSoundPath,
                        int32_t pOverWrite) {
    ItemFiles files;
    std::string folder;
    if (pOverWrite == 1) {
        const results::ReplaceTarget target = results::CheckReplaceable(pSource);
        if (!target.Error.empty()) {
            files.Error = target.Error;
            return files;
        }
        // Should OverWrite go off during the file, the result stays beside the file replaced.
        files.Replaces = target.File;
        files.Wanted = target.File;
        files.NumberAlways = true;
        folder = target.Folder;
    } else if (FolderExists(pSoundPath) == 1) {
        folder = pSoundPath;
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        const auto slash = pSource.rfind('/');
        files.Wanted = (folder == "/" ? folder : folder + "/") +
                       (slash == std::string::npos ? pSource : pSource.substr(slash + 1));
    } else {
        files.Wanted = pSource;
        files.NumberAlways = true;
        folder = results::FolderOf(pSource);
    }
    const results::WorkFile work = results::StartWorkFile(folder);
    files.Work = work.Path;
    files.Error = work.Error;
    return files;
}

namespace {

ItemOutcome Claimed(const ItemFiles& pFiles, ItemOutcome pSuccess, std::string* pFinalPath,
                    std::string* pError) {
    const results::Claim claim =
        results::ClaimFreeName(pFiles.Work, pFiles.Wanted, pFiles.NumberAlways);
    if (claim.Path.empty()) {
        results::RemoveIfPresent(pFiles.Work);
        if (pError) *pError = claim.Error;
        return ItemOutcome::Failed;
    }
    if (pFinalPath) *pFinalPath = claim.Path;
    return pSuccess;
}

} // namespace

ItemOutcome SettleTarget(int32_t pResult, bool pAborted, int32_t pOverWrite, int64_t pKeptFrames,
                         const ItemFiles& pFiles, std::string* pFinalPath, std::string* pError) {
    if (pFinalPath) pFinalPath->clear();
    if (pError) pError->clear();
    if (pFiles.Work.empty()) return pAborted ? ItemOutcome::Aborted : ItemOutcome::Failed;
    if (pAborted || pResult != 1) {
        results::RemoveIfPresent(pFiles.Work);
        return pAborted ? ItemOutcome::Aborted : ItemOutcome::Failed;
    }
    const bool replace = pOverWrite == 1 && !pFiles.Replaces.empty();
    if (pKeptFrames <= 0) {
        // An empty result never takes a source's place.
        if (replace) {
            results::RemoveIfPresent(pFiles.Work);
            return ItemOutcome::NoSound;
        }
        return Claimed(pFiles, ItemOutcome::WrittenEmpty, pFinalPath, pError);
    }
    if (!replace) return Claimed(pFiles, ItemOutcome::Written, pFinalPath, pError);
    const std::string replaceError = results::ReplaceWithResult(pFiles.Work, pFiles.Replaces);
    if (replaceError.empty()) {
        if (pFinalPath) *pFinalPath = pFiles.Replaces;
        return ItemOutcome::Replaced;
    }
    const ItemOutcome outcome = Claimed(pFiles, ItemOutcome::ReplaceFailed, pFinalPath, pError);
    if (pError && outcome == ItemOutcome::ReplaceFailed) *pError = replaceError;
    return outcome;
}

} // namespace app
