#pragma once

// Album mode: one gain for a set of files. Each file's kept range is measured once into a
// KeptMeasure; the SetLevels of all files pool into the set's; every file is then written with
// the gain its mode gives the pooled levels. A set of one file pools to that file's own levels,
// so its result is the single-file result to the byte.

#include "engine/EditPass.h"
#include "engine/Loudness.h"
#include "engine/NormModes.h"
#include "platform/core/Descriptors.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The levels a normalisation mode reads, in a form that pools: maxima, and sums over the
// samples counted. Levels are in sample units of FullScale (1.0 for float data).
struct SetLevels {
    double FullScale = 1.0;
    bool Wide = false;        // 32-bit data: the gain in double precision
    double Peak = 0.0;        // the highest sample
    double MaxBlockRms = 0.0; // the loudest analysis block
    // RMS of the kept range as the single-file gain reads it: scaled by Scale in the gated
    // mode (where silences are left out), plain otherwise.
    double RangeRms = 0.0;
    float Scale = 1.0f;
    // The unscaled squares of the samples counted, and how many: the pooled RMS.
    double SumOfSquares = 0.0;
    double Samples = 0.0;
    // Loudness of the kept range (minus infinity: nothing above the gates) and the peak the
    // true-peak ceiling is held against; with the blocks that pool into a programme.
    bool HasLoudness = false;
    double IntegratedLufs = 0.0;
    double CeilingPeak = 0.0;
    std::vector<std::shared_ptr<const LoudnessBlocks>> Blocks;
    int32_t Files = 1; // files pooled
};

// One file's kept range as the measure phase found it: what the write phase needs so that it
// reads the file only once more.
struct KeptMeasure {
    platform::FileNode Source; // the source as measured: a changed one is not written
    int64_t Start = 0, End = 0;
    int64_t LeadPad = 0, TailPad = 0;
    bool NoSound = false; // trimming found nothing above the start threshold
    // Frames the measuring found finite (float data).
    int64_t CheckedFrom = 0, CheckedTo = 0;
    // The first pass over the job's range (levels of a check), in sample units.
    double Peak = 0.0, MaxRms = 0.0, NormRms = 0.0;
    std::optional<LoudnessResult> Loudness; // of the kept range, when measured
    SetLevels Levels;
};

// The levels of several files as one: the highest peaks and blocks, the RMS of all counted
// samples together, the loudness of all ranges as one programme. The levels of one file are
// returned as they are; empty input gives default levels with Files 0.
SetLevels PoolSetLevels(const std::vector<const SetLevels*>& pFiles);

// pLevels (of any full scale) on the scale of a file with full scale pFullScale.
SetLevels OnScale(const SetLevels& pLevels, double pFullScale, bool pWide);

// The normalisation inputs of a job from levels on the file's scale.
GainInputs SetGainInputs(const EditJob& pJob, const SetLevels& pLevels);

// The gain a job's mode gives pLevels, in dB (0: none), as the engine forms it for a file of
// the levels' own format.
double SetGainDb(const EditJob& pJob, const SetLevels& pLevels);

// The set's level in the unit of the job's mode: LUFS for loudness (minus infinity when nothing
// passed the gates), dB of full scale for the others (minus infinity for silence).
double SetLevelDb(const EditJob& pJob, const SetLevels& pLevels);
