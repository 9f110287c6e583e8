#pragma once
// --undo: puts back the originals a run replaced.

#include "cli/Options.h"

#include <cstdio>

namespace cli {

// Undoes the run of the journal named in the options (else the newest one): a line per
// restored file on pOut, one per file left alone or failed on pErr. 0 when nothing was left
// alone or failed, else 1.
int RunUndo(const Options& pOptions, std::FILE* pOut, std::FILE* pErr);

} // namespace cli
