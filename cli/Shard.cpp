#include "cli/Shard.h"

#include "cli/Options.h"

#include <filesystem>

namespace cli {

namespace fs = std::filesystem;

namespace {

std::string RangeHint(int32_t pCount) {
    return "K counts from 0, so it must be 0.." + std::to_string(pCount - 1);
}

} // namespace

std::optional<ShardPart> ParseShard(const std::string& pText, std::string& pError) {
    const auto slash = pText.find('/');
    const auto count =
        slash == std::string::npos ? std::nullopt : ParseInt32(pText.substr(slash + 1));
    if (!count || *count < 1) {
        pError = "'" + pText + "' is not K/N or env/N with N of 1 or more";
        return std::nullopt;
    }
    ShardPart shard;
    shard.Count = *count;
    const std::string k = pText.substr(0, slash);
    if (k == "env") {
        shard.FromEnvironment = true;
        return shard;
    }
    const auto index = ParseInt32(k);
    if (!index || *index < 0 || *index >= *count) {
        pError = "'" + pText + "': " + RangeHint(*count);
        return std::nullopt;
    }
    shard.Index = *index;
    return shard;
}

std::string ResolveShardIndex(ShardPart& pShard, const EnvReader& pReadEnv) {
    if (!pShard.FromEnvironment) return {};
    for (const char* name : kShardVariables) {
        const auto value = pReadEnv(name);
        if (!value) continue;
        const auto index = ParseInt32(*value);
        if (!index || *index < 0 || *index >= pShard.Count)
            return std::string("shard env/") + std::to_string(pShard.Count) + ": " + name + "='" +
                   *value + "', but " + RangeHint(pShard.Count);
        pShard.Index = *index;
        pShard.FromEnvironment = false;
        return {};
    }
    return std::string("shard env/") + std::to_string(pShard.Count) + ": neither " +
           kShardVariables[0] + " nor " + kShardVariables[1] + " is set";
}

std::string ShardText(const ShardPart& pShard) {
    return std::to_string(pShard.Index) + "/" + std::to_string(pShard.Count);
}

std::string AbsoluteLexical(const std::string& pPath) {
    fs::path p(pPath);
    if (p.is_relative()) {
        std::error_code ec;
        p = fs::current_path(ec) / p;
    }
    std::string text = p.lexically_normal().string();
    if (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

std::optional<std::string> RelativeBelow(const std::string& pPath, const std::string& pRoot) {
    const fs::path rel =
        fs::path(AbsoluteLexical(pPath)).lexically_relative(AbsoluteLexical(pRoot));
    const std::string text = rel.string();
    if (text.empty() || text == "." || text == ".." || text.rfind("../", 0) == 0)
        return std::nullopt;
    return text;
}

uint64_t StableHash(const std::string& pText) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : pText) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    // Finaliser of splitmix64: every bit of the key reaches the low bits that pick the shard.
    hash = (hash ^ (hash >> 30)) * 0xbf58476d1ce4e5b9ull;
    hash = (hash ^ (hash >> 27)) * 0x94d049bb133111ebull;
    return hash ^ (hash >> 31);
}

std::optional<std::string> ShardKey(const std::string& pPath, const std::string& pRoot) {
    if (pRoot.empty()) return AbsoluteLexical(pPath);
    return RelativeBelow(pPath, pRoot);
}

std::string KeepShard(std::vector<std::string>& pFiles, const ShardPart& pShard,
                      const std::string& pRoot, AlbumBy pAlbum) {
    if (pShard.Count <= 0) return {};
    std::vector<std::string> kept;
    for (const std::string& file : pFiles) {
        const auto key = ShardKey(file, pRoot);
        if (!key) return "'" + file + "' is not below the root '" + pRoot + "'";
        if (StableHash(AlbumShardKey(*key, pAlbum)) % static_cast<uint64_t>(pShard.Count) ==
            static_cast<uint64_t>(pShard.Index))
            kept.push_back(file);
    }
    pFiles = std::move(kept);
    return {};
}

} // namespace cli
