#pragma once
// Where the batch run writes a file, and what happens to the written file once
// the edit job has returned.

#include <cstdint>
#include <string>

namespace app {

// The target of one source file: the output folder when it exists and
// OverWrite is off, otherwise beside the source; a name that is taken becomes
// the first free two-digit numbered name (take01.wav, take02.wav, ...).
std::string TargetPath(const std::string& source, const std::string& soundPath, int32_t overWrite);

enum class ItemOutcome {
    Written,       // the result stays under the target name
    Replaced,      // the result took the name and place of the source
    ReplaceFailed, // the source could not be replaced; the result stays numbered
    Failed,        // the job did not finish; its partial output was removed
    Aborted,       // the run was aborted; the target was removed
};

// Settles the target after EditWave returned `result`: an abort or a failed
// job removes the target (a half-written file is not a result); a finished job
// with OverWrite on atomically replaces the source.
ItemOutcome SettleTarget(int32_t result, bool aborted, int32_t overWrite, const std::string& target,
                         const std::string& source);

} // namespace app
