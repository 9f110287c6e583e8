#include "cli/FileList.h"

#include "cli/BatchRunner.h"
#include "cli/Resume.h"
#include "cli/Shard.h"
#include "platform/core/SafeFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <unordered_map>
#include <utility>

namespace cli {

std::vector<std::string> SplitFileList(const std::string& pText, bool pNulSeparated) {
    const char separator = pNulSeparated ? '\0' : '\n';
    std::vector<std::string> names;
    size_t start = 0;
    while (start < pText.size()) {
        size_t end = pText.find(separator, start);
        if (end == std::string::npos) end = pText.size();
        if (end > start) names.push_back(pText.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

namespace {

bool ReadAll(std::FILE* pFile, std::string& pText) {
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pFile)) > 0)
        pText.append(buffer, n);
    return !std::ferror(pFile);
}

// The device and inode of a file, when it is there.
std::optional<std::pair<uint64_t, uint64_t>> FileKey(const std::string& pPath) {
    platform::FileIdentity id;
    if (platform::ReadIdentity(pPath, id)) return std::nullopt;
    return std::make_pair(id.Device, id.Inode);
}

// With --skip-existing a result found under a name counts for its source, so no two sources
// may have their results under the same name, and no result may be a source of the run
// (compared as files: a link or a mount may lead there under another name).
std::string SharedResultName(const Options& pOptions) {
    std::unordered_map<std::string, const std::string*> byResult;
    std::set<std::pair<uint64_t, uint64_t>> sources;
    for (const std::string& file : pOptions.Files)
        if (const auto key = FileKey(file)) sources.insert(*key);
    for (const std::string& file : pOptions.Files) {
        const auto result = FolderResultPath(pOptions, WithFolder(file));
        if (!result) continue; // reported by the mirror check
        const std::string key = AbsoluteLexical(*result);
        const auto resultKey = FileKey(*result);
        if (key == AbsoluteLexical(file) || (resultKey && resultKey == FileKey(file)))
            return "'" + file + "' would be its own result; --skip-existing needs an output " +
                   "folder other than the sources' folder";
        if (resultKey && sources.count(*resultKey) != 0)
            return "the result of '" + file + "' would be written over '" + *result +
                   "', a source of this run";
        auto [it, inserted] = byResult.emplace(key, &file);
        if (!inserted)
            return "'" + *it->second + "' and '" + file + "' would both be written as '" + *result +
                   "'" + (pOptions.MirrorRoot.empty() ? "; see --mirror" : "");
    }
    return {};
}

std::string CheckMirror(const Options& pOptions) {
    if (pOptions.MirrorRoot.empty()) return {};
    for (const std::string& file : pOptions.Files)
        if (!RelativeBelow(file, pOptions.MirrorRoot))
            return "--mirror: '" + file + "' is not below '" + pOptions.MirrorRoot + "'";
    return {};
}

} // namespace

std::optional<std::vector<std::string>> ReadFileList(const std::string& pPath, bool pNulSeparated,
                                                     std::FILE* pStdin, std::string& pError) {
    std::string text;
    bool ok = false;
    if (pPath == "-") {
        ok = ReadAll(pStdin, text);
    } else if (std::FILE* file = std::fopen(pPath.c_str(), "rb")) {
        ok = ReadAll(file, text);
        std::fclose(file);
    }
    if (!ok) {
        pError = "cannot read the file list '" + pPath + "': " + std::strerror(errno);
        return std::nullopt;
    }
    return SplitFileList(text, pNulSeparated);
}

std::string PrepareFileList(Options& pOptions, std::FILE* pStdin) {
    if (!pOptions.FilesFrom.empty()) {
        std::string error;
        auto listed = ReadFileList(pOptions.FilesFrom, pOptions.NulSeparated, pStdin, error);
        if (!listed) return error;
        pOptions.Files.insert(pOptions.Files.end(), listed->begin(), listed->end());
    }
    if (std::string error = CheckMirror(pOptions); !error.empty()) return error;
    if (pOptions.SkipExisting)
        if (std::string error = SharedResultName(pOptions); !error.empty()) return error;
    if (std::string error = ResolveShardIndex(pOptions.Shard,
                                              [](const char* pName) -> std::optional<std::string> {
                                                  const char* v = std::getenv(pName);
                                                  if (!v) return std::nullopt;
                                                  return std::string(v);
                                              });
        !error.empty())
        return error;
    const std::string root = pOptions.ShardRoot.empty() ? pOptions.MirrorRoot : pOptions.ShardRoot;
    return KeepShard(pOptions.Files, pOptions.Shard, root, pOptions.Album);
}

} // namespace cli
