#include "cli/Targets.h"

#include "cli/BatchRunner.h"
#include "services/core/ResultFiles.h"

namespace cli {

std::string FileNameOf(const std::string& pPath) {
    const auto slash = pPath.rfind('/');
    return slash == std::string::npos ? pPath : pPath.substr(slash + 1);
}

JobFiles PlanJobFiles(const Options& pOptions, const std::string& pSource) {
    JobFiles files;
    if (pOptions.Check) return files;
    std::string folder;
    switch (pOptions.Output) {
    case OutputMode::Overwrite: {
        const results::ReplaceTarget target = results::CheckReplaceable(pSource);
        if (!target.Error.empty()) {
            files.Error = target.Error;
            return files;
        }
        files.Replaces = target.File;
        folder = target.Folder;
        break;
    }
    case OutputMode::Folder: {
        folder = WithFolder(pOptions.OutputDir.empty() ? "." : pOptions.OutputDir);
        files.Wanted = (folder.back() == '/' ? folder : folder + "/") + FileNameOf(pSource);
        break;
    }
    case OutputMode::BesideSource:
        files.Wanted = pSource;
        files.NumberAlways = true;
        folder = results::FolderOf(pSource);
        break;
    }
    const results::WorkFile work = results::StartWorkFile(folder);
    files.WorkPath = work.Path;
    if (!work.Error.empty()) files.Error = "write failed: " + work.Error;
    return files;
}

std::string PlaceResult(const JobFiles& pFiles, std::string& pFinalPath) {
    if (!pFiles.Replaces.empty()) {
        std::string error = results::ReplaceWithResult(pFiles.WorkPath, pFiles.Replaces);
        if (error.empty()) pFinalPath = pFiles.Replaces;
        return error;
    }
    const results::Claim claim =
        results::ClaimFreeName(pFiles.WorkPath, pFiles.Wanted, pFiles.NumberAlways);
    if (claim.Path.empty()) return claim.Error;
    pFinalPath = claim.Path;
    return {};
}

} // namespace cli
