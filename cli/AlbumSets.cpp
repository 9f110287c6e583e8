#include "cli/AlbumSets.h"

#include "cli/Shard.h"

#include <filesystem>
#include <map>

namespace cli {

namespace {

// The folder of a path as given; "." for a bare name.
std::string FolderAsGiven(const std::string& pPath) {
    const std::string folder = std::filesystem::path(pPath).parent_path().string();
    return folder.empty() ? "." : folder;
}

} // namespace

std::vector<AlbumSet> AlbumSets(const std::vector<std::string>& pFiles, AlbumBy pBy) {
    std::vector<AlbumSet> sets;
    std::map<std::string, size_t> byKey;
    for (size_t i = 0; i < pFiles.size(); ++i) {
        const std::string folder = FolderAsGiven(pFiles[i]);
        const std::string key = pBy == AlbumBy::Folder ? AbsoluteLexical(folder) : std::string();
        auto [it, added] = byKey.emplace(key, sets.size());
        if (added) sets.push_back({pBy == AlbumBy::Folder ? folder : "all", {}});
        sets[it->second].Files.push_back(i);
    }
    return sets;
}

std::string AlbumShardKey(const std::string& pFileKey, AlbumBy pBy) {
    switch (pBy) {
    case AlbumBy::None:
        break;
    case AlbumBy::Run:
        return {};
    case AlbumBy::Folder: {
        const auto slash = pFileKey.rfind('/');
        return slash == std::string::npos ? std::string() : pFileKey.substr(0, slash);
    }
    }
    return pFileKey;
}

} // namespace cli
