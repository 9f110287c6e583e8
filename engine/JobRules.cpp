#include "engine/JobRules.h"

#include "engine/LevelAnalysis.h"
#include "engine/WideKernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

std::optional<Refusal> RefusalOf(const WaveInfo& pInfo) {
    if (pInfo.HasFormat == 0) return Refusal{EditStatus::NotWav, {}};
    if (IsEditableEncoding(pInfo) == 0) return Refusal{EditStatus::NotPcm, EncodingName(pInfo)};
    if (std::string problem = LayoutProblem(pInfo); !problem.empty())
        return Refusal{EditStatus::UnsupportedLayout, std::move(problem)};
    if (pInfo.Valid == 0) return Refusal{EditStatus::NotWav, {}};
    if (pInfo.FormatCode < 0) return Refusal{EditStatus::UnsupportedLayout, LayoutProblem(pInfo)};
    return std::nullopt;
}

double JobFullScale(const WaveInfo& pInfo) {
    if (IsFloat32Encoding(pInfo) == 1) return 1.0;
    return pInfo.BitsPerSample == 32 ? 2147483647.0 : FullScale(pInfo.BitsPerSample);
}

double MagnitudeOf(float pDb, double pFullScale, bool pFloat) {
    const double linear = double(DbToLinear(pDb));
    return pFloat ? linear : std::nearbyint(linear * pFullScale);
}

std::optional<Refusal> NonFiniteRefusal(const uint8_t* pData, int64_t pFirst, int64_t pFrames,
                                        int32_t pChannels) {
    const int64_t i = FirstNonFinite(pData, size_t(pFrames) * size_t(pChannels));
    if (i < 0) return std::nullopt;
    float v;
    std::memcpy(&v, pData + 4 * i, 4);
    return Refusal{EditStatus::NonFiniteSample,
                   std::string(std::isnan(v) ? "NaN" : "infinity") + " at frame " +
                       std::to_string(pFirst + i / pChannels) + ", channel " +
                       std::to_string(i % pChannels + 1)};
}

std::optional<Refusal> MakeRangeMeter(std::optional<LoudnessMeter>& pMeter, const WaveInfo& pInfo,
                                      const LoudnessWanted& pWanted) {
    try {
        pMeter.emplace(pInfo.BitsPerSample, pInfo.Channels, pInfo.SampleRate, pWanted,
                       IsFloat32Encoding(pInfo) == 1);
        // Surround channels are weighted by the positions the result carries (a mask of 0,
        // no positions, by the usual ones), so a file reads the same before and after a gain.
        if (pInfo.Channels > 2) {
            const uint32_t mask = ResultChannelMask(pInfo);
            pMeter->SetChannelMask(mask != 0 ? mask : DefaultChannelMask(pInfo.Channels));
        }
    } catch (const std::invalid_argument&) {
        return Refusal{EditStatus::UnsupportedLayout,
                       std::to_string(pInfo.SampleRate) + " Hz, too low a rate for loudness"};
    }
    return std::nullopt;
}

int32_t ThresholdLevel(float pDb, int32_t pFullScale) {
    return NearestInt32(double(DbToLinear(pDb)) * pFullScale);
}

int64_t MarginFrames(int32_t pSampleRate, int32_t pMs) {
    // In 64 bits: a margin of more than 12 hours at 48 kHz passes 2^31 frames.
    return int64_t(std::nearbyint(double(pSampleRate) / 1000.0 * pMs));
}

int64_t GateFrames(int32_t pGateMs, int32_t pSampleRate) {
    return std::max(0, NearestInt32(double(pGateMs) / 1000.0 * pSampleRate));
}

int32_t GateLevel(float pGateDb, int32_t pFullScale) {
    return NearestInt32(double(DbToLinear(pGateDb)) * pFullScale);
}

float GateScale(double pFullScale, double pPeak) {
    return pPeak > 0 ? float(pFullScale / pPeak) : 1.0f;
}

std::optional<TrimmedRange> TrimRange(int64_t pFirstSound, int64_t pLastSound, int64_t pFrom,
                                      int64_t pSampleFrames, int64_t pStartMarginFrames,
                                      int64_t pEndMarginFrames) {
    TrimmedRange r;
    const int64_t first = pFirstSound != -1 ? pFirstSound : pFrom;
    r.Start = first - pStartMarginFrames;
    r.End = pLastSound + pEndMarginFrames;
    if ((r.End - r.Start) % 2 != 0) --r.End;
    if (r.End < r.Start) return std::nullopt;
    if (r.Start < 0) {
        r.LeadPad = -r.Start;
        if (r.LeadPad % 2 != 0) --r.LeadPad;
        r.Start = 0;
    }
    if (r.End > pSampleFrames) {
        r.TailPad = r.End - pSampleFrames;
        if (r.TailPad % 2 != 0) --r.TailPad;
        r.End = pSampleFrames;
    }
    return r;
}
