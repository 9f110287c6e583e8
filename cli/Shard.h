#pragma once
// Splitting one file list among N workers: each file belongs to one shard, chosen by a stable
// hash of its path relative to a root folder, so workers that share a list (in any order, on
// machines that mount it elsewhere) process every file exactly once.

#include "cli/AlbumSets.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct ShardPart {
    int32_t Index = 0;            // K, counted from 0
    int32_t Count = 0;            // N; 0: no sharding
    bool FromEnvironment = false; // "env/N": K comes from the scheduler's variable
};

// The variables "env/N" reads K from, in this order.
inline constexpr const char* kShardVariables[] = {"SLURM_ARRAY_TASK_ID", "JOB_COMPLETION_INDEX"};

// "K/N" or "env/N"; nothing, with the reason in pError, for anything else or a K outside
// 0..N-1.
std::optional<ShardPart> ParseShard(const std::string& pText, std::string& pError);

// Reads an environment variable; nothing when it is not set.
using EnvReader = std::function<std::optional<std::string>(const char* pName)>;

// Fills in K of an "env/N" shard from the first variable set; an error text (empty on
// success) when none is set or its value is not a K of 0..N-1.
std::string ResolveShardIndex(ShardPart& pShard, const EnvReader& pReadEnv);

// "K/N", as reports show it.
std::string ShardText(const ShardPart& pShard);

// The path with "." and ".." steps and doubled slashes removed, made absolute against the
// current folder; no links are followed, so it works on paths that do not exist.
std::string AbsoluteLexical(const std::string& pPath);

// pPath relative to pRoot, both taken lexically; nothing when pPath is not below pRoot.
std::optional<std::string> RelativeBelow(const std::string& pPath, const std::string& pRoot);

// 64-bit FNV-1a of the bytes, mixed by the splitmix64 finaliser: fixed for good, since every
// worker must agree on it.
uint64_t StableHash(const std::string& pText);

// The shard key of a path: relative to pRoot when one is given, else the absolute path.
// Nothing when the path is not below the root.
std::optional<std::string> ShardKey(const std::string& pPath, const std::string& pRoot);

// Keeps only the files of the shard, in their order; in album mode a set's files go together
// (the key of AlbumShardKey). An error text (empty on success) when a file is not below the
// root; then the list is left as it was.
std::string KeepShard(std::vector<std::string>& pFiles, const ShardPart& pShard,
                      const std::string& pRoot, AlbumBy pAlbum = AlbumBy::None);

} // namespace cli
