#pragma once

// True peak of one channel: the highest magnitude of the signal oversampled 4 times (rates
// below 96 kHz) or 2 times (below 192 kHz) by a 49-tap Hann-windowed sinc interpolator, or the
// sample peak alone at higher rates. The arithmetic (double sums in tap order, each output
// rounded to float) is that of the loudness library's own meter, so the readings are the same
// to the bit; the sums run over many outputs at once instead of one output after another, and
// only where they can raise the peak: a stretch whose largest sample times the filter's
// largest gain stays below the peak so far is passed over.
//
// Beside it, the peak a ceiling is held against: meters that oversample further or filter
// longer read a little more than the 4x figure (up to about 0.2 dB), so the ceiling takes the
// signal oversampled 8 times by a long Kaiser-windowed sinc (32 taps a phase) and refined
// between its points by a parabola, an estimate of the peak of the continuous signal. It is
// measured in the stretches whose 4x outputs come within 1 dB of it.

#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#define QUILLAN_TRUE_PEAK_AVX2 1
#else
#define QUILLAN_TRUE_PEAK_AVX2 0
#endif

class TruePeakMeter {
  public:
    explicit TruePeakMeter(int32_t pSampleRate);

    // Feeds pCount samples of the channel, pStride apart, scaled so that full scale is pFull.
    void Feed(const int16_t* pData, size_t pCount, size_t pStride, double pFull);
    void Feed(const int32_t* pData, size_t pCount, size_t pStride, double pFull);
    void Feed(const float* pData, size_t pCount, size_t pStride, double pFull);

    // Linear, 1 at full scale; never below the sample peak.
    double Peak() const;
    // The peak for a ceiling: linear, never below Peak().
    double CeilingPeak() const;

  private:
    struct Phase {
        std::vector<double> Coeff;
        std::vector<size_t> Delay;         // samples back from the newest
        size_t NearBegin = 0, NearEnd = 0; // the taps nearest the centre
        double FarSum = 0.0;               // the absolute coefficients of the others
    };

    // A phase whose outputs are the samples themselves.
    static bool IsIdentity(const Phase& pPhase) {
        return pPhase.Coeff.size() == 1 && pPhase.Coeff[0] == 1.0;
    }
    template <typename T>
    void FeedSamples(const T* pData, size_t pCount, size_t pStride, double pFull);
    void Interpolate(size_t pCount);
    // At least the highest 4x output of the run from pStart on, whose samples reach pTop.
    double RunBound(size_t pStart, double pTop) const;
#if QUILLAN_TRUE_PEAK_AVX2
    double NearTopAvx2(const Phase& pPhase, const float* pNewest, size_t pStart) const;
#endif
    // The highest 4x output of the run of outputs from pStart on (the library's arithmetic).
    double RunPeak(size_t pStart, size_t pValid) const;
    // The refined 8x peak of the run of outputs from pStart on.
    double FineRunPeak(size_t pStart, size_t pValid) const;
    // The 8x points of the last kFineHalf samples, with silence after them.
    double TailPeak() const;
    // One 8x point of output pOutput (from the newest sample of this feed on; may be before
    // it): phase pPhase, pPhase eighths after the sample 16 before the output.
    double FinePoint(ptrdiff_t pOutput, int pPhase) const;

    std::vector<Phase> m_Phases;
    double m_Gain = 0.0;            // the largest sum of absolute coefficients of a phase
    double m_FineGain = 0.0;        // the same for the 8x phases
    size_t m_Delay4 = 0;            // the longest delay of the 4x phases
    size_t m_History = 0;           // samples kept from the last feed (the longest delay)
    std::vector<float> m_Samples;   // the kept history, then the samples of this feed
    std::vector<double> m_BlockTop; // the largest magnitude of each kRun samples of m_Samples
    double m_SamplePeak = 0.0;
    double m_InterpolatedPeak = 0.0;
    double m_FinePeak = 0.0;
};
