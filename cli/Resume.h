#pragma once
// Resumable runs: a source whose result already lies complete in the output folder is left
// alone, so a run that was killed, or a node that failed, redoes only what is missing.

#include "cli/Options.h"

#include <optional>
#include <string>

namespace cli {

// True when the file reads as a whole WAV file: a valid header whose sizes match the file's
// length. A result cut short (a copy that stopped, a crash before the data reached the disk)
// is not complete.
bool IsCompleteWave(const std::string& pPath);

// With --skip-existing: the complete result of pSource (a path with a folder) found in the
// output folder under its own name; nothing when the source must be processed.
std::optional<std::string> ExistingResult(const Options& pOptions, const std::string& pSource);

} // namespace cli
