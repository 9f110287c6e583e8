#include "cli/Targets.h"

#include "cli/BatchRunner.h"
#include "platform/core/FolderAccess.h"
#include "services/core/ResultFiles.h"

namespace cli {

std::string FileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

JobFiles PlanJobFiles(const Options& options, const std::string& source) {
    JobFiles files;
    if (options.check) return files;
    std::string folder;
    switch (options.output) {
    case OutputMode::Overwrite: {
        const results::ReplaceTarget target = results::CheckReplaceable(source);
        if (!target.error.empty()) {
            files.error = target.error;
            return files;
        }
        files.replaces = target.file;
        folder = target.folder;
        break;
    }
    case OutputMode::Folder: {
        folder = WithFolder(options.outputDir.empty() ? "." : options.outputDir);
        files.wanted = (folder.back() == '/' ? folder : folder + "/") + FileNameOf(source);
        break;
    }
    case OutputMode::BesideSource:
        files.wanted = source;
        files.numberAlways = true;
        folder = results::FolderOf(source);
        break;
    }
    if (const std::error_code ec = platform::CheckCanCreateFilesIn(folder)) {
        files.error = "write failed: cannot create files in " + folder + ": " + ec.message();
        return files;
    }
    results::RemoveStaleWorkFilesOnce(folder);
    files.workPath = results::WorkFileIn(folder);
    return files;
}

std::string PlaceResult(const JobFiles& files, std::string& finalPath) {
    if (!files.replaces.empty()) {
        std::string error = results::ReplaceWithResult(files.workPath, files.replaces);
        if (error.empty()) finalPath = files.replaces;
        return error;
    }
    const results::Claim claim =
        results::ClaimFreeName(files.workPath, files.wanted, files.numberAlways);
    if (claim.path.empty()) return claim.error;
    finalPath = claim.path;
    return {};
}

} // namespace cli
