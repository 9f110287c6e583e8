#pragma once

// The rules that turn a job's dB and millisecond values into sample levels and frames, the
// formats the sample code edits, and the trimmed range. The edit job and the window's preview
// both use them, so that a preview shows what a job does.

#include "engine/EditStatus.h"
#include "engine/Loudness.h"
#include "engine/WaveMMIO.h"

#include <cstdint>
#include <optional>
#include <string>

// Why a file is not edited, with a detail for the user ("A-law", "4 channels").
struct Refusal {
    EditStatus Status = EditStatus::NotWav;
    std::string Detail;
};
// None for integer PCM and 32-bit float in the widths and channel counts the sample code
// handles.
std::optional<Refusal> RefusalOf(const WaveInfo& pInfo);

// The scale a job measures a format on: 1 for float data, 2147483647 for 32-bit integers, else
// the width's full-scale magnitude.
double JobFullScale(const WaveInfo& pInfo);
// A level in dB as a magnitude on that scale: nearest(10^(dB/20) * F) sample units, the
// fraction 10^(dB/20) for float data. Below 32 bits it equals ThresholdLevel and GateLevel.
double MagnitudeOf(float pDb, double pFullScale, bool pFloat);
// The job's refusal of float data holding NaN or an infinity ("NaN at frame 5000, channel 2",
// pFirst being the frame at pData); none when the pFrames frames are finite.
std::optional<Refusal> NonFiniteRefusal(const uint8_t* pData, int64_t pFirst, int64_t pFrames,
                                        int32_t pChannels);
// A loudness meter for the range pass of a file, surround channels weighted by the positions
// an extensible header gives them; a refusal when the rate is too low for loudness.
std::optional<Refusal> MakeRangeMeter(std::optional<LoudnessMeter>& pMeter, const WaveInfo& pInfo,
                                      const LoudnessWanted& pWanted);

// A threshold in dB as a sample magnitude: nearest(10^(dB/20) * F).
int32_t ThresholdLevel(float pDb, int32_t pFullScale);
// A margin in ms as frames: nearest(rate / 1000 * ms).
int64_t MarginFrames(int32_t pSampleRate, int32_t pMs);
// The RMS(Calc) gate: its length in frames (at least 0) and its level as a magnitude.
int64_t GateFrames(int32_t pGateMs, int32_t pSampleRate);
int32_t GateLevel(float pGateDb, int32_t pFullScale);
// The RMS(Calc) scale S: F / Peak (1 for a silent file).
float GateScale(double pFullScale, double pPeak);

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
