#pragma once

// The rules that turn a job's dB and millisecond values into sample levels and frames, the
// formats the sample code edits, and the trimmed range. The edit job and the window's preview
// both use them, so that a preview shows what a job does.

#include "engine/EditStatus.h"
#include "engine/WaveMMIO.h"

#include <cstdint>
#include <optional>
#include <string>

// Why a file is not edited, with a detail for the user ("A-law", "4 channels").
struct Refusal {
    EditStatus Status = EditStatus::NotWav;
    std::string Detail;
};
// None for integer PCM in the widths and channel counts the sample code handles.
std::optional<Refusal> RefusalOf(const WaveInfo& pInfo);

// A threshold in dB as a sample magnitude: nearest(10^(dB/20) * F).
int32_t ThresholdLevel(float pDb, int32_t pFullScale);
// A margin in ms as frames: nearest(rate / 1000 * ms).
int64_t MarginFrames(int32_t pSampleRate, int32_t pMs);
// The RMS(Calc) gate: its length in frames (at least 0) and its level as a magnitude.
int64_t GateFrames(int32_t pGateMs, int32_t pSampleRate);
int32_t GateLevel(float pGateDb, int32_t pFullScale);
// The RMS(Calc) scale S: F / Peak (1 for a silent file).
float GateScale(int32_t pFullScale, int32_t pPeak);

// The written range of a trimming job: [Start, End) of the source, and the silence that
// forced margins add before and after it (even frame counts, as the range).
struct TrimmedRange {
    int64_t Start = 0;
    int64_t End = 0;
    int64_t LeadPad = 0;
    int64_t TailPad = 0;
};
// From the first sound above the start threshold (-1: none), the last sound above the end
// threshold (0 when none), the range's first frame and the file's frames; none when the
// margins leave a negative range.
std::optional<TrimmedRange> TrimRange(int64_t pFirstSound, int64_t pLastSound, int64_t pFrom,
                                      int64_t pSampleFrames, int64_t pStartMarginFrames,
                                      int64_t pEndMarginFrames);
