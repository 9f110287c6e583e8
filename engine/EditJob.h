#pragma once

// One edit job: what C_EditWave::Edit takes. Named fields with their units, so that no two
// arguments can be swapped unnoticed.

#include "engine/JobDefaults.h"
#include "engine/NormModes.h"

#include <cstdint>
#include <memory>
#include <string>

struct KeptMeasure; // engine/SetMeasure.h
struct SetLevels;

// The largest target level, ceiling or adjustment in dB (either sign) a front end passes on:
// 10^(770 / 20) is about the largest single-precision value. The engine saturates beyond.
inline constexpr float kGainLimitDb = 770.0f;

// What held the normalisation gain below the one the target asks for, so that the result
// misses its target; where both would, the one that allows the lower gain.
enum class GainLimit : int32_t {
    None,
    TruePeakCeiling, // the loudness mode's true-peak ceiling
    SamplePeak,      // the sample peak within full scale (without Clip)
};

// What a job does with the levels it measures.
enum class LevelCheck : int32_t {
    Off = 0,         // no results kept
    MeasureOnly = 1, // the first pass only; results kept, nothing written
    Store = 2,       // results kept, the file processed as usual
};

struct EditJob {
    std::string SourcePath;
    std::string TargetPath; // empty: measure only

    // The frame range [FromFrame, ToFrame) of the source; ToFrame 0 runs to the end.
    int64_t FromFrame = 0;
    int64_t ToFrame = 0;

    // Trimming: the silence below the thresholds goes, the margins around the sound stay;
    // forced margins are written as silence where the file holds no frames for them.
    bool Trim = false;
    float StartThresholdDb = float(kTrimThresholdDefaultDb);
    float EndThresholdDb = float(kTrimThresholdDefaultDb);
    int32_t StartMarginMs = 0;
    int32_t EndMarginMs = 0;
    bool ForceMargins = false;

    // Normalising to a level in dB of full scale by a mode; RmsCalc leaves out silences
    // longer than GateMs at or below GateDb relative to the peak.
    bool Normalize = false;
    float NormLevelDb = kLevelTargetDefaultDb;
    NormMode Mode = NormMode::Peak;
    int32_t GateMs = 0;
    float GateDb = 0.0f;
    bool Clip = false; // let the gain saturate peaks
    // Loudness mode (NormLevelDb is then in LUFS): the gain is lowered where it would put the
    // true peak above this ceiling in dB of full scale.
    bool TruePeakCeiling = true;
    float TruePeakCeilingDb = kTruePeakCeilingDefaultDb;
    // Measures the integrated loudness, loudness range and true peak of the range that is
    // written (the whole range in a check) for the results, whatever the mode.
    bool MeasureLoudness = false;

    // Level adjustment per channel (at least -60 dB with the gain) and fades. A file of more
    // than two channels takes one level for all: the two must then be equal.
    float AdjustLeftDb = 0.0f;
    float AdjustRightDb = 0.0f;
    int32_t FadeInFrames = 0;
    int32_t FadeOutFrames = 0;

    LevelCheck Check = LevelCheck::Off;

    // The source's metadata chunks (tags, bext, cue points, loops, ...) go into the result,
    // adjusted to the kept range; false: the bare header.
    bool KeepMetadata = true;

    // Album mode, the write phase: the file's measure from C_EditWave::Measure (its range is
    // not measured again, and a source changed since is not written) and the levels of its
    // set, which give the gain in place of the file's own. Either may be empty.
    std::shared_ptr<const KeptMeasure> Measured;
    std::shared_ptr<const SetLevels> SetLevel;
};
