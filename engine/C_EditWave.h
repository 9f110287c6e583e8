#pragma once

#include "engine/EditJob.h"
#include "engine/EditStatus.h"
#include "engine/Loudness.h"
#include "engine/MetadataChunks.h"
#include "engine/SetMeasure.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Levels of a level check, in sample units (whole numbers) and in dB relative to full scale.
// Float levels are given on the 32-bit scale (1.0 = 2147483647), above full scale as they are;
// the magnitude 2^31 of a 32-bit integer sample as 2147483647. A check that did not finish
// leaves -1 and 0 dB.
struct EditLevels {
    double MaxPeak = -1;
    double MaxRms = -1;
    double NormRms = -1;
    float MaxPeakDb = 0.0f;
    float MaxRmsDb = 0.0f;
    float NormRmsDb = 0.0f;
};

// What one job did.
struct EditResult {
    // Why the job ended (Done: it ran to its end), and a detail for the user where the status
    // has one ("A-law", "4 channels", the system's text of a failed write); empty otherwise.
    EditStatus Status = EditStatus::InternalError;
    std::string Detail;
    // Frames of source audio written (forced-margin silence not counted); 0 when a finished
    // job kept no audio: an empty range, or no sound above the start threshold.
    int64_t KeptFrames = 0;
    // A level check's results (LevelCheck other than Off), preset when the job fails.
    std::optional<EditLevels> Levels;
    // Loudness of what was written (of the whole range in a check) when the job measured one:
    // EditJob::MeasureLoudness or the Loudness mode. It is the measured range's plus the gain
    // where every sample got one factor and none saturated, else the written audio measured.
    std::optional<LoudnessResult> Loudness;
    // The measured range's loudness before the gain, of a job that wrote a file.
    std::optional<LoudnessResult> SourceLoudness;
    // Normalisation gain of a job that wrote a file, in dB (0: not scaled).
    double GainDb = 0.0;
    // What held the gain below the target's, and the level the result reached then: LUFS in
    // the loudness mode, dB of full scale in the others.
    GainLimit Limit = GainLimit::None;
    double ReachedLevel = 0.0;
    // Metadata chunks of the source the result does not carry although the job keeps
    // metadata (too large, cut short, unreadable, ...); padding and old-audio chunks not counted.
    std::vector<DroppedChunk> LostMetadata;
    // Album mode: the file's measure (of C_EditWave::Measure), to pool and to write with.
    std::shared_ptr<const KeptMeasure> Measured;

    bool Done() const { return Status == EditStatus::Done; }
};

// The edit job: processes one source WAV file into one target WAV file (trim, normalise, level
// adjust, fades), or only measures it. Holds no state between calls: one object may serve a
// whole batch, and calls on several threads do not meet.
class C_EditWave {
  public:
    // Raised after every block of every pass with the fraction of the whole job done (0 to 1);
    // returning true cancels the job after the block. May be empty.
    using Progress = std::function<bool(float pRate)>;

    // Runs the job. It ends with Done, or with the reason it did not: a source that is not
    // 8/16/24/32-bit PCM or 32-bit float in one to eight channels, a float sample that is NaN
    // or infinite, left and right adjustments that differ on more than two channels, a
    // negative trimmed range, an existing target, a failed read or write, a cancel. The
    // target is created exclusively and removed again when the job does not finish. The
    // source is read through one descriptor.
    EditResult Edit(const EditJob& pJob, const Progress& pProgress = {}) const;

    // Album mode, the measure phase: measures the kept range of the job as its write would
    // (trimming, the mode's passes, loudness when the job asks for it), whatever its target
    // and Check, and writes nothing. A finished result holds Measured, and Levels and Loudness
    // (of the kept range) as a check would report them; its progress runs 0 to 1 over the
    // passes. The write phase is Edit with EditJob::Measured and EditJob::SetLevel.
    EditResult Measure(const EditJob& pJob, const Progress& pProgress = {}) const;

    // The same job with positional arguments, as the reference vectors give them: [pFrom, pTo)
    // in frames (pTo 0: to the end); levels, thresholds and adjustments in dB; margins and
    // pRMSmsec in ms. pNormMode: 0 Peak, 1 RMS(Max), 2 RMS(Average), 3 RMS(Calc), 4 Loudness
    // (pNormLevel in LUFS, true-peak ceiling at -1 dBTP). pCheckLevel: 1 measure only; other
    // non-zero values keep the levels and process as usual; 0 no levels.
    EditResult EditWave(const std::string& pSourceFN, const std::string& pTargetFN, int64_t pFrom,
                        int64_t pTo, int32_t pUseTh, float pThIn, float pThOut,
                        int32_t pStartMargin, int32_t pEndMargin, int32_t pForceMargin,
                        int32_t pUseNorm, float pNormLevel, int32_t pNormMode, int32_t pRMSmsec,
                        float pRMSdb, int32_t pClip, float pAdjustdbL, float pAdjustdbR,
                        int32_t pFadeInSample, int32_t pFadeOutSample, int32_t pCheckLevel,
                        const Progress& pProgress = {}) const;
};

// The job of EditWave's positional arguments; none for an unknown normalisation mode.
std::optional<EditJob>
PositionalJob(const std::string& pSourceFN, const std::string& pTargetFN, int64_t pFrom,
              int64_t pTo, int32_t pUseTh, float pThIn, float pThOut, int32_t pStartMargin,
              int32_t pEndMargin, int32_t pForceMargin, int32_t pUseNorm, float pNormLevel,
              int32_t pNormMode, int32_t pRMSmsec, float pRMSdb, int32_t pClip, float pAdjustdbL,
              float pAdjustdbR, int32_t pFadeInSample, int32_t pFadeOutSample, int32_t pCheckLevel);
