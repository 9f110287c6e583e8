#include "cli/Resume.h"

#include "cli/BatchRunner.h"
#include "cli/Shard.h"

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

} // namespace cli
