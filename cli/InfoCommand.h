#pragma once
// --info: the file list's row for each file instead of an edit.

#include "cli/Options.h"

#include <cstdio>

namespace cli {

// Prints title, length text and format text of every file (tab-separated, or one JSON
// object per file). Returns the exit status: 0 when every file was described, else 1.
int RunInfo(const Options& pOptions, std::FILE* pOut, std::FILE* pErr);

} // namespace cli
