#include "engine/TruePeak.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr unsigned kTaps = 49;
constexpr double kAlmostZero = 0.000001;
// Outputs summed side by side, in pairs held in registers.
using Pair = double __attribute__((vector_size(16)));
constexpr size_t kPairs = 8;
constexpr size_t kRun = 2 * kPairs;

unsigned OversamplingFor(int32_t pSampleRate) {
    if (pSampleRate < 96000) return 4;
    if (pSampleRate < 192000) return 2;
    return 1;
}

} // namespace

TruePeakMeter::TruePeakMeter(int32_t pSampleRate) {
    const unsigned factor = OversamplingFor(pSampleRate);
    if (factor == 1) return;
    m_Phases.resize(factor);
    // Tap j of the sinc belongs to phase j mod factor, j / factor samples back; taps that are
    // (almost) zero are left out.
    for (unsigned j = 0; j < kTaps; ++j) {
        const double m = double(j) - double(kTaps - 1) / 2.0;
        double c = 1.0;
        if (std::fabs(m) > kAlmostZero) {
            const double x = m * std::numbers::pi / double(factor);
            c = std::sin(x) / x;
        }
        c *= 0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * double(j) / double(kTaps - 1)));
        if (std::fabs(c) > kAlmostZero) {
            m_Phases[j % factor].Coeff.push_back(c);
            m_Phases[j % factor].Delay.push_back(j / factor);
            m_History = std::max<size_t>(m_History, j / factor);
        }
    }
    m_Samples.assign(m_History, 0.0);
}

template <typename T>
void TruePeakMeter::FeedSamples(const T* pData, size_t pCount, size_t pStride, double pFull) {
    if (pCount == 0) return;
    double samplePeak = m_SamplePeak;
    m_Samples.resize(m_History + (pCount + kRun - 1) / kRun * kRun); // zeros past the newest
    double* out = m_Samples.data() + m_History;
    for (size_t i = 0; i < pCount; ++i)
        out[i] = double(float(double(pData[i * pStride]) / pFull)); // the interpolator's floats
    for (size_t i = 0; i < pCount; ++i)
        samplePeak = std::max(samplePeak, std::fabs(out[i]));
    m_SamplePeak = samplePeak;
    if (!m_Phases.empty()) Interpolate(pCount);
    // Keep the newest samples for the next feed.
    std::copy_n(out + pCount - m_History, m_History, m_Samples.begin());
    m_Samples.resize(m_History);
}

void TruePeakMeter::Feed(const int16_t* pData, size_t pCount, size_t pStride, double pFull) {
    FeedSamples(pData, pCount, pStride, pFull);
}
void TruePeakMeter::Feed(const int32_t* pData, size_t pCount, size_t pStride, double pFull) {
    FeedSamples(pData, pCount, pStride, pFull);
}
void TruePeakMeter::Feed(const float* pData, size_t pCount, size_t pStride, double pFull) {
    FeedSamples(pData, pCount, pStride, pFull);
}

// Every phase's output for the pCount newest samples, kRun outputs side by side in pairs; each
// output is summed tap by tap in the same order as one output alone would be. The buffer holds
// zeros up to a whole run past the newest sample; the outputs there are left out.
void TruePeakMeter::Interpolate(size_t pCount) {
    const double* newest = m_Samples.data() + m_History;
    Pair peaks[kPairs] = {};
    for (size_t start = 0; start < pCount; start += kRun) {
        for (const Phase& phase : m_Phases) {
            Pair acc[kPairs] = {};
            for (size_t t = 0; t < phase.Coeff.size(); ++t) {
                const Pair c = {phase.Coeff[t], phase.Coeff[t]};
                const double* x = newest + start - phase.Delay[t];
                for (size_t k = 0; k < kPairs; ++k) {
                    Pair xk;
                    std::memcpy(&xk, x + 2 * k, sizeof xk);
                    acc[k] += xk * c;
                }
            }
            // Each output rounded to float, as the library's interpolator stores it.
            const size_t valid = std::min(kRun, pCount - start);
            for (size_t k = 0; k < kPairs; ++k) {
                Pair v = {std::fabs(double(float(acc[k][0]))), std::fabs(double(float(acc[k][1])))};
                if (2 * k + 1 >= valid) v[1] = 0.0;
                if (2 * k >= valid) v[0] = 0.0;
                peaks[k] = peaks[k] < v ? v : peaks[k];
            }
        }
    }
    for (const Pair& p : peaks)
        m_InterpolatedPeak = std::max({m_InterpolatedPeak, p[0], p[1]});
}

double TruePeakMeter::Peak() const {
    return std::max(double(m_InterpolatedPeak), m_SamplePeak);
}
