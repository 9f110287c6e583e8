#pragma once

// Album mode: sets of files normalised as one. A run has two phases: every file of every set is
// measured (its kept range, as its write would measure it), each set's measures are pooled into
// one level, then every file is written through the per-file step with its set's gain. A file
// that fails measuring is left out of its set and named; with Strict its set is not written at
// all. Std only; the phases may run their files on any threads.

#include "engine/SetMeasure.h"
#include "services/job/FileStep.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace job {

enum class SetPhase {
    Measure, // every file read once, nothing written
    Write,   // every file read once more and written (a level check writes nothing)
};

// What the measure phase found for one file.
struct MeasureOutcome {
    bool Ran = false;      // the file was reached (false: the run stopped before it)
    bool Measured = false; // it belongs to its set's level
    std::string Reason;    // why it was left out
    EditResult Edit;       // the measure: Edit.Measured, the levels and the kept range's loudness
    int64_t SourceBytes = 0;
};

// Measures one file for its set: the request's job, target and placement aside.
MeasureOutcome MeasureSetFile(const StepRequest& pRequest);

// A set after its measure phase.
struct SetFigures {
    std::shared_ptr<const SetLevels> Levels; // pooled; empty when the set is not written
    size_t Files = 0;                        // files pooled
    std::vector<size_t> LeftOut;             // its files (indexes into the set) that failed
    double GainDb = 0.0; // the set's gain (for the format of its first measured file)
    double Level = 0.0;  // its level in the mode's unit: LUFS for loudness, else dB of full scale
    std::optional<double> IntegratedLufs; // its loudness as one programme, when measured
    std::string Error; // why the set is not written (strict and a file failed); empty otherwise
};

// Pools the measures of one set's files (in set order) for the job they share.
SetFigures PoolSet(const EditJob& pJob, const std::vector<const MeasureOutcome*>& pFiles,
                   bool pStrict, const std::vector<std::string>& pNames);

// Writes one file of a set with the set's gain, through the per-file step; a file left out of
// the set, or of a set that is not written, fails with the reason. A level check (no placement)
// reports the measure as its outcome.
StepOutcome WriteSetFile(StepRequest pRequest, const MeasureOutcome& pMeasured,
                         const SetFigures& pSet);

// One file of a run of sets.
struct SetFile {
    size_t Set = 0; // which set it belongs to (0 .. set count - 1)
    StepRequest Request;
};

struct SetRunHooks {
    // Runs pOne(i) for every i below pCount, on as many threads as it likes, and returns when
    // all returned; empty: one after another on the caller's thread.
    std::function<void(SetPhase, size_t pCount, const std::function<void(size_t)>& pOne)> ForEach;
    // A phase begins (before any of its files).
    std::function<void(SetPhase)> PhaseStarted;
    // A file of a phase was found readable (its size), and its fraction done after each block.
    std::function<void(SetPhase, size_t pIndex, int64_t pBytes)> FileStarted;
    std::function<void(SetPhase, size_t pIndex, float pRate)> FileProgress;
    // Every set was pooled (after the measure phase, before the write phase).
    std::function<void(const std::vector<SetFigures>&)> SetsPooled;
    // A file of the write phase is done (failed, or left out, included).
    std::function<void(size_t pIndex, const StepOutcome&)> FileDone;
    // True stops the run: no file is started after it, and no write phase follows a stopped
    // measure phase.
    std::function<bool()> Stopped;
};

struct SetRunResult {
    std::vector<SetFigures> Sets;         // per set
    std::vector<MeasureOutcome> Measures; // per file
    // Per file: its step; empty when the run stopped before the file was written.
    std::vector<std::optional<StepOutcome>> Steps;
};

// The two-phase run over the files of pSetCount sets; pStrict: a set with a file that failed
// measuring is not written.
SetRunResult RunSets(std::vector<SetFile> pFiles, size_t pSetCount, bool pStrict,
                     const SetRunHooks& pHooks);

} // namespace job
