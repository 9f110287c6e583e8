#include "engine/TruePeak.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <numbers>

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

namespace {

constexpr unsigned kTaps = 49;
constexpr double kAlmostZero = 0.000001;
// Outputs summed side by side, in pairs held in registers.
using Pair = double __attribute__((vector_size(16)));
constexpr size_t kPairs = 8;
constexpr size_t kRun = 2 * kPairs;

// Two samples as doubles.
inline Pair PairAt(const float* pX) {
    return Pair{double(pX[0]), double(pX[1])};
}

// The ceiling's oversampler: 8 phases, kFineHalf taps on each side of a point, a Kaiser window
// of this beta: flat to 0.002 dB up to 0.4 of the rate, 0.04 dB at 0.43, then falling.
constexpr int kFine = 8;
constexpr size_t kFineHalf = 16;
constexpr size_t kFineTaps = 2 * kFineHalf;
constexpr double kFineBeta = 8.0;
// Stretches whose 4x outputs stay this far below the ceiling's peak (1 dB) are passed over.
constexpr double kGuide = 1.1220184543019633;
// Taps of a 4x phase summed for a run's bound.
constexpr size_t kNear = 4;
// Headroom of a bound over rounded sums, and over single-precision ones.
constexpr double kSlack = 1.0 + 1e-9;
constexpr double kFloatSlack = 1.0 + 1e-5;

unsigned OversamplingFor(int32_t pSampleRate) {
    if (pSampleRate < 96000) return 4;
    if (pSampleRate < 192000) return 2;
    return 1;
}

// Coefficients of the 8x phases 1..7: tap k weighs the sample k back from the output, for the
// point p eighths after the sample kFineHalf back.
struct FineFilter {
    double Coeff[kFine][kFineTaps] = {};
    double Gain = 0.0; // the largest sum of absolute coefficients of a phase

    FineFilter() {
        const double norm = std::cyl_bessel_i(0.0, kFineBeta);
        for (int p = 1; p < kFine; ++p) {
            double sum = 0.0;
            for (size_t k = 0; k < kFineTaps; ++k) {
                const double u = double(k) - double(kFineHalf) + double(p) / kFine;
                const double v = u / double(kFineHalf);
                const double window =
                    std::cyl_bessel_i(0.0, kFineBeta * std::sqrt(std::max(0.0, 1.0 - v * v))) /
                    norm;
                const double c = std::sin(std::numbers::pi * u) / (std::numbers::pi * u) * window;
                Coeff[p][k] = c;
                sum += std::fabs(c);
            }
            Gain = std::max(Gain, sum);
        }
    }
};

const FineFilter& Fine() {
    static const FineFilter filter;
    return filter;
}

// The peak of a parabola through three points around the largest of them, pMid.
double Refined(double pBefore, double pMid, double pAfter) {
    const double den = pBefore - 2.0 * pMid + pAfter;
    if (den == 0.0) return std::fabs(pMid);
    const double offset = std::clamp(0.5 * (pBefore - pAfter) / den, -0.5, 0.5);
    return std::max(std::fabs(pMid), std::fabs(pMid - 0.25 * (pBefore - pAfter) * offset));
}

} // namespace

TruePeakMeter::TruePeakMeter(int32_t pSampleRate) {
    m_FineGain = Fine().Gain;
    m_History = kFineTaps; // one more than the longest 8x delay: the point before a run
    const unsigned factor = OversamplingFor(pSampleRate);
    if (factor > 1) m_Phases.resize(factor);
    // Tap j of the sinc belongs to phase j mod factor, j / factor samples back; taps that are
    // (almost) zero are left out.
    for (unsigned j = 0; j < kTaps && factor > 1; ++j) {
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
            m_Delay4 = std::max<size_t>(m_Delay4, j / factor);
            m_History = std::max<size_t>(m_History, j / factor);
        }
    }
    for (Phase& phase : m_Phases) {
        double sum = 0.0;
        for (double c : phase.Coeff)
            sum += std::fabs(c);
        m_Gain = std::max(m_Gain, sum);
        // The kNear taps nearest the centre, whose sum bounds a run's outputs tightly.
        const size_t taps = phase.Coeff.size();
        phase.NearBegin = taps > kNear ? (taps - kNear) / 2 : 0;
        phase.NearEnd = std::min(taps, phase.NearBegin + kNear);
        for (size_t t = 0; t < taps; ++t)
            if (t < phase.NearBegin || t >= phase.NearEnd)
                phase.FarSum += std::fabs(phase.Coeff[t]);
    }
    m_Samples.assign(m_History, 0.0f);
}

template <typename T>
void TruePeakMeter::FeedSamples(const T* pData, size_t pCount, size_t pStride, double pFull) {
    if (pCount == 0) return;
    // The kept history, then this feed, then zeros up to a whole run past the newest. The
    // buffer only grows: a feed writes what it uses.
    const size_t runs = (pCount + kRun - 1) / kRun;
    if (m_Samples.size() < m_History + runs * kRun) m_Samples.resize(m_History + runs * kRun);
    m_BlockTop.resize(m_History / kRun + runs + 1);
    float* out = m_Samples.data() + m_History;
    std::fill(out + pCount, out + runs * kRun, 0.0f);
    // The interpolator's floats, and the largest magnitude of each run of them. Full scale is
    // a power of two for every width: then its inverse multiplies exactly, and much faster.
    int exponent = 0;
    const bool powerOfTwo = std::frexp(pFull, &exponent) == 0.5;
    const double inverse = 1.0 / pFull;
    if (powerOfTwo) {
        for (size_t i = 0; i < pCount; ++i)
            out[i] = float(double(pData[i * pStride]) * inverse);
    } else {
        for (size_t i = 0; i < pCount; ++i)
            out[i] = float(double(pData[i * pStride]) / pFull);
    }
    double samplePeak = m_SamplePeak;
    for (size_t b = 0; b < m_History / kRun + runs; ++b) {
        float top = 0.0f;
        for (size_t i = b * kRun; i < (b + 1) * kRun; ++i)
            top = std::max(top, std::fabs(m_Samples[i]));
        m_BlockTop[b] = double(top);
        if (b >= m_History / kRun) samplePeak = std::max(samplePeak, double(top));
    }
    m_BlockTop.back() = 0.0;
    m_SamplePeak = samplePeak;
    Interpolate(pCount);
    // Keep the newest samples for the next feed.
    std::copy_n(out + pCount - m_History, m_History, m_Samples.begin());
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

// Runs of kRun outputs. A run is interpolated only where it can matter: its outputs are sums
// of the samples it reads times the coefficients, so they stay below the largest of those
// samples times the filter's gain; below the peak so far the run cannot raise it. The 8x points
// are measured where the 4x outputs come within kGuide of the ceiling's peak.
void TruePeakMeter::Interpolate(size_t pCount) {
    const std::vector<double>& blockTop = m_BlockTop;
    for (size_t start = 0; start < pCount; start += kRun) {
        const size_t valid = std::min(kRun, pCount - start);
        // Outputs from start on read the samples [start - m_History, start + kRun) back from
        // the newest: the buffer's [start, start + m_History + kRun).
        double top = 0.0; // of the samples the 8x taps read
        for (size_t b = start / kRun; b <= (start + m_History + kRun - 1) / kRun; ++b)
            top = std::max(top, blockTop[b]);
        double top4 = 0.0; // of those the 4x taps read, the last m_Delay4 + kRun
        for (size_t b = (start + m_History - m_Delay4) / kRun;
             b <= (start + m_History + kRun - 1) / kRun; ++b)
            top4 = std::max(top4, blockTop[b]);
        const double peak = std::max(m_InterpolatedPeak, m_SamplePeak);
        const double finePeak = std::max(m_FinePeak, peak);
        const bool fine = top * m_FineGain * kSlack >= finePeak;
        const double wanted = fine ? std::min(peak, finePeak / kGuide) : peak;
        double run = top; // without 4x phases, the samples guide
        if (!m_Phases.empty()) {
            run = 0.0;
            if (top4 * m_Gain * kSlack >= wanted && RunBound(start, top4) * kSlack >= wanted) {
                run = RunPeak(start, valid);
                m_InterpolatedPeak = std::max(m_InterpolatedPeak, run);
            }
        }
        if (fine && run * kGuide >= finePeak)
            m_FinePeak = std::max(m_FinePeak, FineRunPeak(start, valid));
    }
}

// The outputs of every phase for the run, kRun side by side in pairs; each output is summed tap
// by tap in the same order as one output alone would be. The buffer holds zeros up to a whole
// run past the newest sample; the outputs there are left out.
double TruePeakMeter::RunPeak(size_t pStart, size_t pValid) const {
    const float* newest = m_Samples.data() + m_History;
    Pair peaks[kPairs] = {};
    for (const Phase& phase : m_Phases) {
        if (IsIdentity(phase)) continue; // the samples themselves: the sample peak holds them
        Pair acc[kPairs] = {};
        for (size_t t = 0; t < phase.Coeff.size(); ++t) {
            const Pair c = {phase.Coeff[t], phase.Coeff[t]};
            const float* x = newest + pStart - phase.Delay[t];
            for (size_t k = 0; k < kPairs; ++k)
                acc[k] += PairAt(x + 2 * k) * c;
        }
        // Each output rounded to float, as the library's interpolator stores it.
        for (size_t k = 0; k < kPairs; ++k) {
            Pair v = {std::fabs(double(float(acc[k][0]))), std::fabs(double(float(acc[k][1])))};
            if (2 * k + 1 >= pValid) v[1] = 0.0;
            if (2 * k >= pValid) v[0] = 0.0;
            peaks[k] = peaks[k] < v ? v : peaks[k];
        }
    }
    double top = 0.0;
    for (const Pair& p : peaks)
        top = std::max({top, p[0], p[1]});
    return top;
}

#if QUILLAN_TRUE_PEAK_AVX2
// The near sums of RunBound in single precision, eight outputs a step; their rounding (a few
// units of 2^-24) is covered by kFloatSlack.
__attribute__((target("avx2,fma"))) double
TruePeakMeter::NearTopAvx2(const Phase& pPhase, const float* pNewest, size_t pStart) const {
    const __m256 sign = _mm256_set1_ps(-0.0f);
    __m256 top = _mm256_setzero_ps();
    for (size_t half = 0; half < kRun; half += 8) {
        __m256 acc = _mm256_setzero_ps();
        for (size_t t = pPhase.NearBegin; t < pPhase.NearEnd; ++t)
            acc = _mm256_fmadd_ps(_mm256_set1_ps(float(pPhase.Coeff[t])),
                                  _mm256_loadu_ps(pNewest + pStart + half - pPhase.Delay[t]), acc);
        top = _mm256_max_ps(top, _mm256_andnot_ps(sign, acc));
    }
    float lanes[8];
    _mm256_storeu_ps(lanes, top);
    return double(*std::max_element(lanes, lanes + 8)) * kFloatSlack;
}
#endif

// An upper bound of the run's 4x outputs: the taps near the centre summed, the others at most
// their coefficients times the largest sample the run reads (pTop).
double TruePeakMeter::RunBound(size_t pStart, double pTop) const {
#if QUILLAN_TRUE_PEAK_AVX2
    static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    if (avx2) {
        const float* newestF = m_Samples.data() + m_History;
        double bound = 0.0;
        for (const Phase& phase : m_Phases)
            if (!IsIdentity(phase))
                bound = std::max(bound, NearTopAvx2(phase, newestF, pStart) + phase.FarSum * pTop);
        return bound;
    }
#endif
    const float* newest = m_Samples.data() + m_History;
    double bound = 0.0;
    for (const Phase& phase : m_Phases) {
        if (IsIdentity(phase)) continue;
        Pair acc[kPairs] = {};
        for (size_t t = phase.NearBegin; t < phase.NearEnd; ++t) {
            const Pair c = {phase.Coeff[t], phase.Coeff[t]};
            const float* x = newest + pStart - phase.Delay[t];
            for (size_t k = 0; k < kPairs; ++k)
                acc[k] += PairAt(x + 2 * k) * c;
        }
        double near = 0.0;
        for (const Pair& a : acc)
            near = std::max({near, std::fabs(a[0]), std::fabs(a[1])});
        bound = std::max(bound, near + phase.FarSum * pTop);
    }
    return bound;
}

double TruePeakMeter::FinePoint(ptrdiff_t pOutput, int pPhase) const {
    const float* x = m_Samples.data() + ptrdiff_t(m_History) + pOutput;
    double sum = 0.0;
    for (size_t k = 0; k < kFineTaps; ++k)
        sum += Fine().Coeff[pPhase][k] * double(x[-ptrdiff_t(k)]);
    return sum;
}

// Points in time order: output n, phase p lies p eighths after the sample kFineHalf before n
// (phase 0, the sample itself). The largest is refined with its two neighbours.
double TruePeakMeter::FineRunPeak(size_t pStart, size_t pValid) const {
    const float* newest = m_Samples.data() + m_History;
    const FineFilter& filter = Fine();
    double points[kRun][kFine];
    for (int p = 1; p < kFine; ++p) {
        Pair acc[kPairs] = {};
        for (size_t t = 0; t < kFineTaps; ++t) {
            const Pair c = {filter.Coeff[p][t], filter.Coeff[p][t]};
            const float* x = newest + pStart - t;
            for (size_t k = 0; k < kPairs; ++k)
                acc[k] += PairAt(x + 2 * k) * c;
        }
        for (size_t k = 0; k < kPairs; ++k) {
            points[2 * k][p] = acc[k][0];
            points[2 * k + 1][p] = acc[k][1];
        }
    }
    size_t bestN = 0;
    int bestP = 0;
    double best = -1.0;
    for (size_t n = 0; n < pValid; ++n) {
        points[n][0] = newest[ptrdiff_t(pStart + n) - ptrdiff_t(kFineHalf)];
        for (int p = 0; p < kFine; ++p)
            if (std::fabs(points[n][p]) > best) {
                best = std::fabs(points[n][p]);
                bestN = n;
                bestP = p;
            }
    }
    const ptrdiff_t n = ptrdiff_t(pStart + bestN);
    const double before = bestP > 0   ? points[bestN][bestP - 1]
                          : bestN > 0 ? points[bestN - 1][kFine - 1]
                                      : FinePoint(n - 1, kFine - 1); // in the run before
    // After the last phase comes the next sample, which is always fed.
    const double after =
        bestP < kFine - 1 ? points[bestN][bestP + 1] : newest[n + 1 - ptrdiff_t(kFineHalf)];
    return Refined(before, points[bestN][bestP], after);
}

double TruePeakMeter::Peak() const {
    return std::max(double(m_InterpolatedPeak), m_SamplePeak);
}

// The points after the last full run need samples that never came: the signal ends there,
// as a player plays it, with silence.
double TruePeakMeter::TailPeak() const {
    std::vector<double> x(m_Samples.begin(), m_Samples.begin() + ptrdiff_t(m_History));
    x.resize(m_History + kFineTaps, 0.0);
    const FineFilter& filter = Fine();
    std::vector<double> points; // in time order, from the sample kFineHalf before the end on
    for (size_t n = m_History; n < m_History + kFineHalf; ++n) {
        points.push_back(x[n - kFineHalf]);
        for (int p = 1; p < kFine; ++p) {
            double sum = 0.0;
            for (size_t k = 0; k < kFineTaps; ++k)
                sum += filter.Coeff[p][k] * x[n - k];
            points.push_back(sum);
        }
    }
    double top = 0.0;
    for (size_t i = 1; i + 1 < points.size(); ++i) {
        const double m = std::fabs(points[i]);
        if (m >= std::fabs(points[i - 1]) && m >= std::fabs(points[i + 1]))
            top = std::max(top, Refined(points[i - 1], points[i], points[i + 1]));
    }
    return top;
}

double TruePeakMeter::CeilingPeak() const {
    return std::max({m_FinePeak, TailPeak(), Peak()});
}
