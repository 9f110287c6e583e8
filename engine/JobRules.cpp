#include "engine/JobRules.h"

#include "engine/LevelAnalysis.h"

#include <algorithm>
#include <cmath>

std::optional<Refusal> RefusalOf(const WaveInfo& pInfo) {
    if (pInfo.HasFormat == 0) return Refusal{EditStatus::NotWav, {}};
    if (IsEditableEncoding(pInfo) == 0) return Refusal{EditStatus::NotPcm, EncodingName(pInfo)};
    if (std::string problem = LayoutProblem(pInfo); !problem.empty())
        return Refusal{EditStatus::UnsupportedLayout, std::move(problem)};
    if (pInfo.Valid == 0) return Refusal{EditStatus::NotWav, {}};
    if (pInfo.FormatCode < 0) return Refusal{EditStatus::UnsupportedLayout, LayoutProblem(pInfo)};
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

float GateScale(int32_t pFullScale, int32_t pPeak) {
    return pPeak > 0 ? float(double(pFullScale) / pPeak) : 1.0f;
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
