#pragma once
// Album mode's sets: which files of a run share one gain, and the key a set is known by (also
// its shard key, so that a set never spans shards).

#include <cstddef>
#include <string>
#include <vector>

namespace cli {

enum class AlbumBy {
    None,   // every file alone
    Run,    // --album: all files of the run are one set
    Folder, // --album-by folder: the files of each folder are one set
};

struct AlbumSet {
    std::string Label;         // the folder as the first file names it ("." for none), or "all"
    std::vector<size_t> Files; // indexes into the run's files, in order
};

// The sets of the files, in the order of their first files. Files of one folder named in
// different ways ("a/x.wav", "./a/y.wav") are one set.
std::vector<AlbumSet> AlbumSets(const std::vector<std::string>& pFiles, AlbumBy pBy);

// The part of a file's shard key that names its set: the folder part of pFileKey, or the
// same for every file of the run; pFileKey itself without album mode.
std::string AlbumShardKey(const std::string& pFileKey, AlbumBy pBy);

} // namespace cli
