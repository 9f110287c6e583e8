#include "engine/EditPass.h"

#include "engine/LevelAnalysis.h"
#include "engine/SampleKernels.h"
#include "engine/WaveMMIO.h"
#include "engine/WideKernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace {

// 10^(dB / 20) in double, 0 at or below -110 dB as in single precision.
inline double WideDbToLinear(double pDb) {
    return pDb <= -110.0 ? 0.0 : std::pow(10.0, pDb / 20.0);
}

// The factor of a channel level and a fade: single precision, double for 32-bit data.
inline double FactorFor(const BlockFormat& pFmt, float pFade, double pDb) {
    if (pFmt.BitsPerSample == 32) return WideDbToLinear(double(pFade) + pDb);
    return DbToLinear(float(double(pFade) + pDb));
}

inline void Store16(uint8_t* pSample, int16_t pV) {
    std::memcpy(pSample, &pV, 2);
}

// Converts one sample at pSample through the factor a (a single value for 8 to 24 bits), in
// the block's format.
inline void ConvertSampleAt(const BlockFormat& pFmt, uint8_t* pSample, double pA) {
    switch (pFmt.BitsPerSample) {
    case 8:
        *pSample = Convert8(*pSample, float(pA));
        break;
    case 16:
        Store16(pSample, Convert16(int16_t(Load16(pSample)), float(pA)));
        break;
    case 24:
        Pack24(Convert24(Unpack24(pSample), float(pA)), pSample);
        break;
    default:
        if (pFmt.Float) {
            float v;
            std::memcpy(&v, pSample, 4);
            v = ConvertFloat(v, pA, pFmt.Clip);
            std::memcpy(pSample, &v, 4);
        } else {
            int32_t v;
            std::memcpy(&v, pSample, 4);
            v = Convert32(v, pA);
            std::memcpy(pSample, &v, 4);
        }
        break;
    }
}

// The level of channel c: left, right, and the left level for every channel of more than two.
inline double ChannelLevel(const BlockFormat& pFmt, int32_t pChannel) {
    return pChannel == 1 && pFmt.Channels == 2 ? pFmt.DbR : pFmt.DbL;
}

using LD = long double;

// The gain that brings the integrated loudness to the target (1 when nothing was loud enough
// to be measured).
LD LoudnessTargetGain(const GainInputs& pIn) {
    if (!std::isfinite(pIn.IntegratedLufs)) return 1.0L;
    return std::pow(10.0L, (LD(pIn.NormLevel) - LD(pIn.IntegratedLufs)) / 20.0L);
}

// The highest gain that keeps the true peak at the ceiling; none without a ceiling or a peak.
std::optional<LD> CeilingGain(const GainInputs& pIn) {
    if (!pIn.Ceiling || !(pIn.TruePeak > 0.0)) return std::nullopt;
    return std::pow(10.0L, LD(pIn.CeilingDb) / 20.0L) / LD(pIn.TruePeak);
}

} // namespace

namespace {

// The largest gain of 32-bit data: kMaxWideDb.
constexpr LD kMaxWideGain = 1e100L;

// The target level as a magnitude: single precision, extended for 32-bit data.
LD TargetLevel(const GainInputs& pIn) {
    const LD linear =
        pIn.Wide ? LD(WideDbToLinear(double(pIn.NormLevel))) : LD(DbToLinear(pIn.NormLevel));
    return linear * LD(pIn.FullScale);
}

// A gain as it is stored: in single, or in double for 32-bit data; saturated at the largest
// the factor holds, so that a huge gain never turns infinite (or into 0 dB, or silence).
double StoredGain(const GainInputs& pIn, LD pGain) {
    if (pIn.Wide) return double(std::min(pGain, kMaxWideGain));
    return double(float(std::min(pGain, LD(std::numeric_limits<float>::max()))));
}

} // namespace

namespace {

// The gain the mode's target asks for, before any limit (1 when the reference is 0).
LD TargetGain(const GainInputs& pIn) {
    const LD target = TargetLevel(pIn);
    switch (pIn.Mode) {
    case NormMode::Peak:
        if (pIn.Peak > 0) return target / LD(pIn.Peak);
        break;
    case NormMode::RmsMax:
        if (pIn.MaxBlockRms > 0) return target / LD(pIn.MaxBlockRms);
        break;
    case NormMode::RmsAverage:
        if (pIn.RangeRms > 0.0) return target / LD(pIn.RangeRms);
        break;
    case NormMode::RmsCalc:
        if (pIn.RangeRms > 0.0) return target / (LD(pIn.RangeRms) / LD(pIn.Scale));
        break;
    case NormMode::Loudness:
        return LoudnessTargetGain(pIn);
    }
    return 1.0L;
}

// The highest gain that keeps the sample peak within full scale; none with Clip.
std::optional<LD> PeakGain(const GainInputs& pIn) {
    if (!(pIn.Peak > 0) || pIn.Clip) return std::nullopt;
    return LD(pIn.FullScale) / LD(pIn.Peak);
}

} // namespace

double NormGain(const GainInputs& pIn) {
    LD g = TargetGain(pIn);
    if (pIn.Mode == NormMode::Loudness) g = std::min(g, CeilingGain(pIn).value_or(g));
    double stored = StoredGain(pIn, g);
    if (const std::optional<LD> limit = PeakGain(pIn); limit && LD(stored) > *limit)
        stored = StoredGain(pIn, *limit);
    return stored;
}

GainLimit LimitOf(const GainInputs& pIn) {
    const LD target = TargetGain(pIn);
    const std::optional<LD> ceiling =
        pIn.Mode == NormMode::Loudness ? CeilingGain(pIn) : std::nullopt;
    const std::optional<LD> peak = PeakGain(pIn);
    const bool byCeiling = ceiling && *ceiling < target;
    const bool byPeak = peak && *peak < target;
    if (byCeiling && (!byPeak || *ceiling <= *peak)) return GainLimit::TruePeakCeiling;
    return byPeak ? GainLimit::SamplePeak : GainLimit::None;
}

double ReachedLevel(const GainInputs& pIn, double pGain) {
    return double(pIn.NormLevel) + 20.0 * double(std::log10(LD(pGain) / TargetGain(pIn)));
}

float ChannelDb(float pAdjustDb, float pGain) {
    const float db = LinearToDb(float(double(DbToLinear(pAdjustDb)) * double(pGain)));
    return db < -60.0f ? -60.0f : db;
}

double ChannelDb(float pAdjustDb, double pGain, bool pWide) {
    if (!pWide) return ChannelDb(pAdjustDb, float(pGain));
    const double linear = WideDbToLinear(double(pAdjustDb)) * pGain;
    const double db = linear > 0.0 ? 20.0 * std::log10(linear) : -60.0;
    return std::clamp(std::isnan(db) ? -60.0 : db, -60.0, kMaxWideDb);
}

uint8_t Convert8(uint8_t pByte, float pA) {
    float v = float((double(pByte) - 128.0) * double(pA) + 128.0);
    if (v > 255.0f) v = 255.0f;
    if (v < 0.0f) v = 0.0f;
    return uint8_t(std::nearbyint(v));
}

int16_t Convert16(int16_t pSample, float pA) {
    const float v = float(double(pSample) * double(pA));
    if (std::fabs(v) >= 32767.0f) return v < 0.0f ? -32767 : 32767;
    return int16_t(std::nearbyint(v));
}

int32_t Convert24(int32_t pSample, float pA) {
    const float v = float(pSample) * pA;
    if (std::fabs(v) >= 8388607.0f) return v < 0.0f ? -8388607 : 8388607;
    return int32_t(std::nearbyint(v));
}

float FadeDb(int64_t pFrame, int64_t pStart, int64_t pEnd, int32_t pFadeIn, int32_t pFadeOut) {
    float fade = 0.0f;
    if (pFadeIn != 0 && pFrame < pStart + pFadeIn)
        fade = float(double(pStart + pFadeIn - pFrame) / double(pFadeIn) * -60.0);
    if (pFadeOut != 0 && pFrame > pEnd - pFadeOut)
        fade = float(double(pFrame + pFadeOut - pEnd) / double(pFadeOut) * -60.0);
    return fade;
}

void ConvertBlockPlain(const BlockFormat& pFmt, uint8_t* pData, int64_t pFrames,
                       int64_t pFirstFrame) {
    const size_t width = size_t(pFmt.BitsPerSample / 8);
    uint8_t* p = pData;
    for (int64_t k = 0; k < pFrames; ++k) {
        const float fade = FadeDb(pFirstFrame + k, pFmt.Start, pFmt.End, pFmt.FadeIn, pFmt.FadeOut);
        for (int32_t c = 0; c < pFmt.Channels; ++c) {
            const double a = FactorFor(pFmt, fade, ChannelLevel(pFmt, c));
            ConvertSampleAt(pFmt, p, a);
            p += width;
        }
    }
}

// ---- fast path ------------------------------------------------------------------------

BlockConverter::BlockConverter(const BlockFormat& pFmt) : m_Fmt(pFmt) {
    m_A[0] = FactorFor(pFmt, 0.0f, pFmt.DbL);
    m_A[1] = pFmt.Channels == 2 ? FactorFor(pFmt, 0.0f, pFmt.DbR) : m_A[0];
    m_FadeInEnd = pFmt.FadeIn > 0 ? pFmt.Start + pFmt.FadeIn : pFmt.Start;
    m_FadeOutStart = pFmt.FadeOut > 0 ? pFmt.End - pFmt.FadeOut + 1 : pFmt.End;
    if (pFmt.BitsPerSample == 8) {
        for (int32_t c = 0; c < 2; ++c)
            for (int32_t b = 0; b < 256; ++b)
                m_Table8[c][size_t(b)] = Convert8(uint8_t(b), float(m_A[c]));
    }
}

void BlockConverter::Convert(uint8_t* pData, int64_t pFrames, int64_t pFirstFrame) const {
    const int64_t frameBytes = int64_t(m_Fmt.Channels) * (m_Fmt.BitsPerSample / 8);
    const int64_t end = pFirstFrame + pFrames;
    // Split the block into a faded head, a steady middle and a faded tail.
    const int64_t steadyFrom = std::clamp(m_FadeInEnd, pFirstFrame, end);
    const int64_t steadyTo = std::clamp(m_FadeOutStart, steadyFrom, end);
    if (steadyFrom > pFirstFrame) ConvertFaded(pData, steadyFrom - pFirstFrame, pFirstFrame);
    ConvertSteady(pData + (steadyFrom - pFirstFrame) * frameBytes, steadyTo - steadyFrom);
    if (end > steadyTo)
        ConvertFaded(pData + (steadyTo - pFirstFrame) * frameBytes, end - steadyTo, steadyTo);
}

void BlockConverter::ConvertFaded(uint8_t* pData, int64_t pFrames, int64_t pFirstFrame) const {
    const size_t width = size_t(m_Fmt.BitsPerSample / 8);
    const bool sameLevels = m_Fmt.DbL == m_Fmt.DbR;
    uint8_t* p = pData;
    for (int64_t k = 0; k < pFrames; ++k) {
        const float fade =
            FadeDb(pFirstFrame + k, m_Fmt.Start, m_Fmt.End, m_Fmt.FadeIn, m_Fmt.FadeOut);
        const double aL = FactorFor(m_Fmt, fade, m_Fmt.DbL);
        ConvertSampleAt(m_Fmt, p, aL);
        p += width;
        if (m_Fmt.Channels == 2) {
            ConvertSampleAt(m_Fmt, p, sameLevels ? aL : FactorFor(m_Fmt, fade, m_Fmt.DbR));
            p += width;
        }
        // More than two channels: all at the left level.
        for (int32_t c = 1; c < m_Fmt.Channels && m_Fmt.Channels > 2; ++c, p += width)
            ConvertSampleAt(m_Fmt, p, aL);
    }
}

void BlockConverter::ConvertSteady(uint8_t* pData, int64_t pFrames) const {
    const size_t samples = size_t(pFrames) * size_t(m_Fmt.Channels);
    const float a[2] = {float(m_A[0]), float(m_A[1])}; // single values below 32 bits
    switch (m_Fmt.BitsPerSample) {
    case 8: {
        // Even samples are left (or mono), odd ones right (or mono again).
        const uint8_t* tl = m_Table8[0].data();
        const uint8_t* tr = m_Table8[1].data();
        size_t i = ScaleSamples8Vector(pData, samples, a);
        for (; i + 1 < samples; i += 2) {
            pData[i] = tl[pData[i]];
            pData[i + 1] = tr[pData[i + 1]];
        }
        if (i < samples) pData[i] = tl[pData[i]];
        break;
    }
    case 16:
        ScaleSamples16(pData, samples, a);
        break;
    case 24:
        ScaleSamples24(pData, samples, a);
        break;
    default:
        if (m_Fmt.Float)
            ScaleSamplesFloat(pData, samples, m_A, m_Fmt.Clip);
        else
            ScaleSamples32(pData, samples, m_A);
        break;
    }
}
