#pragma once
// Where the batch run writes a file, and what happens to the written file once
// the edit job has returned.

#include <cstdint>
#include <string>

namespace app {

// The target of one source file: the output folder when it exists and
// OverWrite is off, otherwise beside the source; a name that is taken becomes
// the first free two-digit numbered name (take01.wav, take02.wav, ...).
std::string TargetPath(const std::string& pSource, const std::string& pSoundPath,
                       int32_t pOverWrite);

// The files of one item: the engine writes a hidden work file, which takes its
// final name only once the result is complete.
struct ItemFiles {
    std::string Work;          // what the engine writes; empty when nothing is to be written
    std::string Wanted;        // the first name of the numbered series of the result
    bool NumberAlways = false; // beside the source: take01.wav on
    std::string Replaces;      // OverWrite: the file the result replaces (links followed)
    std::string Error;         // why the file is refused before the edit
};

// Plans the files for source as TargetPath chooses the place. With OverWrite on,
// a source that cannot be replaced (read-only, a folder where no file can be
// made) is refused here, before any work: error says why and work stays empty.
ItemFiles PlanItemFiles(const std::string& pSource, const std::string& pSoundPath,
                        int32_t pOverWrite);

enum class ItemOutcome {
    Written,       // the result is under the first free name of its series
    WrittenEmpty,  // as Written, but the result holds no audio (nothing above the start threshold)
    Replaced,      // the result took the name and place of the source
    ReplaceFailed, // the source could not be replaced; the result stays numbered
    NoSound,       // no sound above the start threshold: the source kept, nothing written
    Failed,        // the job did not finish, or its result could not be placed; nothing written
    Aborted,       // the run was aborted; the work file was removed
};

// Settles the work file after EditWave returned `result` having kept
// `keptFrames` frames of audio: an abort or a failed job removes it (a
// half-written file is not a result); a finished job with OverWrite on replaces
// the source in one rename, unless it kept no audio; otherwise the result takes
// the first free name of its series (finalPath, when given, receives it). error, when given,
// receives why a finished result could not be placed (Failed) or could not replace the
// source (ReplaceFailed).
ItemOutcome SettleTarget(int32_t pResult, bool pAborted, int32_t pOverWrite, int64_t pKeptFrames,
                         const ItemFiles& pFiles, std::string* pFinalPath = nullptr,
                         std::string* pError = nullptr);

} // namespace app
