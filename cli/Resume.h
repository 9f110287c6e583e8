#pragma once
// Where a result lands in an output folder: what --skip-existing looks for and what the file
// list checks for results that would share a name.

#include "cli/Options.h"

#include <optional>
#include <string>

namespace cli {

// With an output folder: where the result of pSource goes under its own name (below the
// folder, in the source's folders below the --mirror root). Nothing in other modes, or when
// the source is not below the mirror root.
std::optional<std::string> FolderResultPath(const Options& pOptions, const std::string& pSource);

// The name of a path after its last '/'.
std::string FileNameOf(const std::string& pPath);

} // namespace cli
