#pragma once
// Whether a file is a whole result: what --skip-existing counts as done.

#include <optional>
#include <string>

namespace job {

// True when the file reads as a whole WAV file: a valid header whose sizes match the file's
// length. A result cut short (a copy that stopped, a crash before the data reached the disk)
// is not complete.
bool IsCompleteWave(const std::string& pPath);

// The complete result of pSource at pWanted, when there is one that is not the source itself.
std::optional<std::string> ExistingResult(const std::string& pSource, const std::string& pWanted);

} // namespace job
