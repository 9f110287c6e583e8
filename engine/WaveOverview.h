#pragma once

// What one reading of a WAV file keeps so that the trimmed range and the gain of any job can
// be shown without reading the file again: the first pass's levels, the frames where the
// loudest sound so far rises (from the start and from the end), and a min/max envelope of
// each channel. Nothing here knows of a window; the caller runs it on a thread of its own.
//
// The range modes (RMS(Average), RMS(Calc), Loudness) measure the trimmed range itself; that
// range pass (MeasureRange) reads only the range, once per range and gate.

#include "engine/EditJob.h"
#include "engine/JobRules.h"
#include "engine/Loudness.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A frame whose largest magnitude over its channels is above every frame's before it (or
// after it, for the steps from the end). Levels are on the job's scale (JobFullScale): sample
// units (2^31 for the most negative 32-bit sample), fractions of 1.0 for float data.
struct LevelStep {
    int64_t Frame = 0;
    double Level = 0;
};

struct WaveOverview {
    int32_t SampleRate = 0;
    int32_t Channels = 1;
    int32_t BitsPerSample = 16;
    bool Float = false;       // 32-bit float data
    double FullScale = 32767; // the job's scale: 1.0 for float data
    int64_t Frames = 0;

    // The first pass over the whole file, as the edit job measures it (a float file's peak may
    // pass 1.0).
    double Peak = 0;
    double MaxBlockRms = 0;
    double NormRms = 0;

    // Levels rising from the start (frames and levels ascending) and from the end (frames
    // ascending, levels descending).
    std::vector<LevelStep> FromStart;
    std::vector<LevelStep> FromEnd;

    // Envelope: bucket b covers frames [b * BucketFrames, (b + 1) * BucketFrames); Low and
    // High hold the smallest and largest sample value of each channel in it as a fraction of
    // FullScale (float(value / FullScale)), at b * Channels + channel. Buckets
    // [0, BucketsDone) are measured.
    int64_t BucketFrames = 1;
    int64_t Buckets = 0;
    int64_t BucketsDone = 0;
    std::vector<float> Low;
    std::vector<float> High;

    // The first frame with a sample above pLevel, -1 when none (the job's first sound).
    int64_t FirstSoundAbove(double pLevel) const;
    // The last frame with a sample above pLevel, 0 when none (the job's last sound).
    int64_t LastSoundAbove(double pLevel) const;
};

// What a reading of the overview is told: whether to stop, and where to show what it has.
struct OverviewWatch {
    std::function<bool()> Stop;                       // true: give up (may be empty)
    std::function<void(const WaveOverview&)> Partial; // the overview so far (may be empty)
    int64_t PartialBytes = 64 << 20;                  // read between two Partial calls
};

struct OverviewResult {
    std::optional<WaveOverview> Overview;
    Refusal Failure; // when there is no overview (the job's refusal); Cancelled when stopped
};

// Reads the file once. The buckets are at most kOverviewBuckets.
inline constexpr int64_t kOverviewBuckets = 16384;
OverviewResult MeasureOverview(const std::string& pPath, const OverviewWatch& pWatch = {});

// What the range modes need measured over the trimmed range.
struct RangeRequest {
    int64_t Start = 0;
    int64_t End = 0;
    bool Rms = false; // RMS of the range (gated with GateFrames, GateLevel and Scale)
    float Scale = 1.0f;
    int64_t GateFrames = 0;
    double GateLevel = 0;  // on the job's scale, as the levels of an overview
    bool Loudness = false; // integrated loudness
    bool TruePeak = false; // and the true peak, for a ceiling
    bool operator==(const RangeRequest&) const = default;
};
struct RangeLevels {
    double RangeRms = 0.0;
    std::optional<LoudnessResult> Loudness;
};
struct RangeResult {
    std::optional<RangeLevels> Levels;
    Refusal Failure;
};
// The range pass of the edit job over [Start, End) of the file.
RangeResult MeasureRange(const std::string& pPath, const RangeRequest& pRequest,
                         const std::function<bool()>& pStop = {});

// What a job would do to the file of an overview.
struct JobPreview {
    bool Trims = false;
    int64_t FirstSound = -1; // trimming: the first and last sound found, -1 / 0 when none
    int64_t LastSound = 0;
    std::optional<TrimmedRange> Range;      // none: the margins leave a negative range (fails)
    bool NoSound = false;                   // trimming found nothing above the start threshold
    int64_t ResultFrames = 0;               // frames written, forced margins included
    std::optional<RangeRequest> NeedsRange; // the range pass the gain waits for
    std::optional<double> Gain;             // the normalising gain, once known
    bool CeilingLowered = false;
    double GainDb() const; // 20 log10(Gain)
};
// pRange: the range pass asked for by NeedsRange, when it is measured.
JobPreview PreviewJob(const WaveOverview& pOverview, const EditJob& pJob,
                      const RangeLevels* pRange = nullptr);
