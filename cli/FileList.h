#pragma once
// The files of a run: the names on the command line, then those of --files-from, cut to this
// worker's shard; and the checks that must see the whole list before any file is touched.

#include "cli/Options.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// The names of a list: one per line, or NUL-separated. Empty entries are skipped; every
// other byte is kept, so a name may hold spaces, tabs or a trailing '\r'.
std::vector<std::string> SplitFileList(const std::string& pText, bool pNulSeparated);

// Reads the list at pPath ("-": from pStdin). Nothing, with the reason in pError, when it
// cannot be read.
std::optional<std::vector<std::string>> ReadFileList(const std::string& pPath, bool pNulSeparated,
                                                     std::FILE* pStdin, std::string& pError);

// Completes the options' file list: adds the names of --files-from, checks --mirror and
// --skip-existing against the whole list, then keeps only this worker's shard. An error
// text, empty on success.
std::string PrepareFileList(Options& pOptions, std::FILE* pStdin);

} // namespace cli
