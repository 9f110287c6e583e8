#pragma once

// One source file through the whole run: plan where its result goes, run the edit job into a
// hidden work file, check the result, then place it (a new name, or over the source) and say
// what happened. The window's row and quillan-batch's line and JSON are views of the outcome,
// so both front ends follow the same safety rules. Std only; callable from any thread (no
// shared state beyond the result-file helpers, which lock their own).

#include "engine/C_EditWave.h"
#include "engine/EditJob.h"
#include "services/core/Originals.h"
#include "services/core/RunJournal.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace job {

// Where a result goes.
enum class Placement {
    None,         // a level check: nothing is written
    OutputFolder, // FileTarget::Wanted, or the first free number after it
    BesideSource, // take01.wav, take02.wav, ... beside the source
    OverSource,   // over the source (the file its links lead to)
};

// What becomes of a finished result that could not replace its source.
enum class IfNotReplaced {
    Discard,      // the file fails, the result is removed
    KeepNumbered, // the result stays beside the source under a numbered name
};

// What --skip-existing asks of an output folder.
enum class Existing {
    Ignore,   // a name that is taken moves the result to the next number
    SkipDone, // a complete result under the wanted name means the file is done; an incomplete
              // one gives way to the new result
};

struct FileTarget {
    Placement Where = Placement::BesideSource;
    std::string Wanted;       // OutputFolder: the result's path under its own name
    bool MakeFolders = false; // OutputFolder: the folders of Wanted are made as needed
    Existing IfExisting = Existing::Ignore;
    IfNotReplaced NotReplaced = IfNotReplaced::Discard;
    results::OriginalsRule Originals; // OverSource: what becomes of the replaced original
};

enum class StepState {
    Written,       // the result is under a new name (ResultPath)
    Replaced,      // the result took the name and place of the source
    ReplaceFailed, // the source could not be replaced (Reason); the result is numbered beside it
    Measured,      // a level check: nothing written
    AlreadyDone,   // a complete result was found at ResultPath; nothing was done
    NoSoundKept,   // no audio kept (no sound, or an empty range): the source kept, nothing written
    Failed,        // nothing written, the source untouched (Reason)
    Cancelled,     // stopped before the result was placed; nothing written
};

struct StepOutcome {
    StepState State = StepState::Failed;
    std::string Reason;                // why it failed, was cancelled or was not replaced
    std::vector<std::string> Warnings; // remarks on a result that was written or measured
    std::string ResultPath;            // where the result is; empty when there is none
    EditResult Edit;                   // what the job measured (when it ran)
    bool Ran = false;                  // the job ran (Edit holds its result)
    int64_t SourceBytes = 0;           // the source's size when it was looked at
    int64_t ResultBytes = 0;           // the size of the result placed
    results::KeptOriginal Kept;        // Replaced: where the original was kept

    // A result was written (or replaced the source).
    bool Wrote() const {
        return State == StepState::Written || State == StepState::Replaced ||
               State == StepState::ReplaceFailed;
    }
    // The result holds no audio: nothing above the start threshold, or an empty range.
    bool EmptyResult() const { return Wrote() && Ran && Edit.KeptFrames == 0; }
    // "; "-separated warnings, empty when there are none.
    std::string WarningText() const;
};

// The edit job; the engine unless a test stands in for it.
using EditFn = std::function<EditResult(const EditJob&, const C_EditWave::Progress&)>;

struct StepRequest {
    EditJob Job; // the source and the parameters; the step sets the target path
    FileTarget Target;
    // Told the source's size once it was found readable (0 for a file already done).
    std::function<void(int64_t pSourceBytes)> Started;
    // Fraction of the job done, after every block.
    std::function<void(float pRate)> Progress;
    // Asked after every block and once after the job: true stops the file, nothing is placed.
    std::function<bool()> StopRequested;
    // Asked after the job when the target is the source: false places the result numbered
    // beside it instead (the user switched replacing off meanwhile).
    std::function<bool()> ReplaceStillWanted;
    EditFn Edit; // empty: C_EditWave
    // The measure phase of album mode (services/job/SetRun.h); empty: C_EditWave::Measure.
    EditFn Measure;
};

StepOutcome RunFileStep(const StepRequest& pRequest);

// Writes a replaced source into the run's journal, so that an undo finds its original; when
// the journal cannot be written, a warning says where the original is.
void RecordReplaced(results::RunJournal& pJournal, StepOutcome& pOutcome);

// The path of pSource's file name in pFolder (trailing separators of the folder dropped).
std::string NameInFolder(const std::string& pFolder, const std::string& pSource);

} // namespace job
