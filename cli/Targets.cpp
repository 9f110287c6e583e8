#include "cli/Targets.h"

#include "cli/BatchRunner.h"
#include "cli/Resume.h"
#include "cli/Shard.h"
#include "services/core/ResultFiles.h"

#include <filesystem>

namespace cli {

std::string FileNameOf(const std::string& pPath) {
    const auto slash = pPath.rfind('/');
    return slash == std::string::npos ? pPath : pPath.substr(slash + 1);
}

std::optional<std::string> FolderResultPath(const Options& pOptions, const std::string& pSource) {
    if (pOptions.Output != OutputMode::Folder) return std::nullopt;
    std::string folder = WithFolder(pOptions.OutputDir.empty() ? "." : pOptions.OutputDir);
    if (folder.back() != '/') folder += '/';
    if (pOptions.MirrorRoot.empty()) return folder + FileNameOf(pSource);
    const auto below = RelativeBelow(pSource, pOptions.MirrorRoot);
    if (!below) return std::nullopt;
    return folder + *below;
}

namespace {

// The folders of a mirrored result; several workers may make the same ones at once.
std::string MakeFolders(const std::string& pFolder) {
    std::error_code ec;
    std::filesystem::create_directories(pFolder, ec);
    if (ec && !std::filesystem::is_directory(pFolder))
        return "write failed: cannot create the folder " + pFolder + ": " + ec.message();
    return {};
}

} // namespace

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
        const auto wanted = FolderResultPath(pOptions, pSource);
        if (!wanted) {
            files.Error = "not below the --mirror folder " + pOptions.MirrorRoot;
            return files;
        }
        files.Wanted = *wanted;
        files.ReplaceIncomplete = pOptions.SkipExisting;
        folder = results::FolderOf(*wanted);
        if (!pOptions.MirrorRoot.empty()) files.Error = MakeFolders(folder);
        if (!files.Error.empty()) return files;
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

namespace {

// A regular file under the wanted name that is not a whole WAV file: what a run that stopped
// short left there. It is taken over rather than kept beside a numbered result.
bool ReplacesIncomplete(const JobFiles& pFiles) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::symlink_status(pFiles.Wanted, ec)) &&
           !IsCompleteWave(pFiles.Wanted);
}

} // namespace

std::string PlaceResult(const JobFiles& pFiles, std::string& pFinalPath) {
    if (!pFiles.Replaces.empty()) {
        std::string error = results::ReplaceWithResult(pFiles.WorkPath, pFiles.Replaces);
        if (error.empty()) pFinalPath = pFiles.Replaces;
        return error;
    }
    if (pFiles.ReplaceIncomplete && ReplacesIncomplete(pFiles)) {
        std::error_code ec;
        std::filesystem::rename(pFiles.WorkPath, pFiles.Wanted, ec);
        if (ec)
            return "write failed: cannot move the result to " + pFiles.Wanted + ": " + ec.message();
        pFinalPath = pFiles.Wanted;
        return {};
    }
    const results::Claim claim =
        results::ClaimFreeName(pFiles.WorkPath, pFiles.Wanted, pFiles.NumberAlways);
    if (claim.Path.empty()) return claim.Error;
    pFinalPath = claim.Path;
    return {};
}

} // namespace cli
