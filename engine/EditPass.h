#pragma once

// The edit and write pass: the normalisation gain, the channel levels and the per-sample
// conversion of a block (gain, fades, saturation) in the source's own format.
//
// Two ways to convert a block give the same bytes: the plain formulas (one power of ten per
// channel and frame) and the fast path (a constant factor per channel outside the fades,
// lookup tables for 8-bit samples, vector arithmetic for 16-bit samples).

#include "engine/EditJob.h"
#include "engine/JobDefaults.h"
#include "engine/NormModes.h"

#include <array>
#include <cstdint>

// Reference levels of the normalisation; RangeRms is in scaled units in mode 3. In Loudness
// mode NormLevel is in LUFS and the gain is also held to the true-peak ceiling.
// Levels are in sample units (1.0 at full scale for float data).
struct GainInputs {
    double FullScale = 32767;
    NormMode Mode = NormMode::Peak;
    float NormLevel = 0.0f;
    double Peak = 0;
    double MaxBlockRms = 0;
    double RangeRms = 0.0;
    float Scale = 1.0f;
    bool Clip = false;
    double IntegratedLufs = 0.0; // minus infinity: nothing above the gates
    double TruePeak = 0.0;       // the ceiling's peak (LoudnessResult::CeilingPeak); 0: none
    bool Ceiling = false;
    float CeilingDb = kTruePeakCeilingDefaultDb;
    bool Wide = false; // 32-bit data: the gain in double precision
};
// The gain g: target over reference (1 when the reference is 0), limited to F / Peak
// unless clipping is allowed. Formed in extended precision, stored in single (in double for
// 32-bit data); a gain past the largest the format's factor holds saturates there.
double NormGain(const GainInputs& pIn);

// The limit that holds the gain below the one the target asks for (EditJob.h).
GainLimit LimitOf(const GainInputs& pIn);
// The level a gain of pGain reaches, in the unit of NormLevel: the target, less what a limit
// took off the gain the target asks for.
double ReachedLevel(const GainInputs& pIn, double pGain);

// Level of a channel in dB: the adjustment combined with the gain, at least -60 dB.
float ChannelDb(float pAdjustDb, float pGain);
// The same in double precision for 32-bit data (pWide), at most kMaxWideDb; else as above.
double ChannelDb(float pAdjustDb, double pGain, bool pWide);
// The highest level of a channel of 32-bit data: past the range of every float sample.
inline constexpr double kMaxWideDb = 2000.0;

// One sample through the factor a, saturating at full scale (plain formulas).
uint8_t Convert8(uint8_t pByte, float pA);
int16_t Convert16(int16_t pSample, float pA);
int32_t Convert24(int32_t pSample, float pA);
// 32-bit integers and floats: Convert32 and ConvertFloat of engine/WideKernels.h.

// Fade level in dB of frame pFrame of the written range [pStart, pEnd): -60 dB at the
// range's edges, rising linearly in dB to 0 over the fade lengths, 0 outside the fades.
float FadeDb(int64_t pFrame, int64_t pStart, int64_t pEnd, int32_t pFadeIn, int32_t pFadeOut);

// Everything a block conversion needs; constant over one write pass.
// More than two channels take DbL, all of them.
struct BlockFormat {
    int32_t BitsPerSample = 16;
    int32_t Channels = 1;
    bool Float = false; // 32-bit data: floats rather than integers
    bool Clip = false;  // float data: limited to +-1, else to the largest finite float
    // Channel levels: single-precision values except for 32-bit data.
    double DbL = 0.0;
    double DbR = 0.0;
    int64_t Start = 0; // written range, for the fades
    int64_t End = 0;
    int32_t FadeIn = 0;
    int32_t FadeOut = 0;
};

// Converts the frames of a block in place; the block's first frame is pFirstFrame.
void ConvertBlockPlain(const BlockFormat& pFmt, uint8_t* pData, int64_t pFrames,
                       int64_t pFirstFrame);

// The fast path, built once per write pass: constant factors outside the fades, a table
// per channel for 8-bit samples, vector arithmetic for 16-bit samples.
class BlockConverter {
  public:
    explicit BlockConverter(const BlockFormat& pFmt);
    void Convert(uint8_t* pData, int64_t pFrames, int64_t pFirstFrame) const;

  private:
    void ConvertSteady(uint8_t* pData, int64_t pFrames) const;
    void ConvertFaded(uint8_t* pData, int64_t pFrames, int64_t pFirstFrame) const;

    BlockFormat m_Fmt;
    double m_A[2] = {1.0, 1.0}; // constant factors outside the fades (left, right)
    std::array<uint8_t, 256> m_Table8[2] = {};
    int64_t m_FadeInEnd = 0;    // frames before this are faded in
    int64_t m_FadeOutStart = 0; // frames from this on are faded out
};
