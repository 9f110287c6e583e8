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
        std::vector<size_t> Delay; // samples back from the newest
    };

    template <typename T>
    void FeedSamples(const T* pData, size_t pCount, size_t pStride, double pFull);
    void Interpolate(size_t pCount);
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
    double m_Gain = 0.0;           // the largest sum of absolute coefficients of a phase
    double m_FineGain = 0.0;       // the same for the 8x phases
    size_t m_History = 0;          // samples kept from the last feed (the longest delay)
    std::vector<double> m_Samples; // the kept history, then the samples of this feed
    double m_SamplePeak = 0.0;
    double m_InterpolatedPeak = 0.0;
    double m_FinePeak = 0.0;
};
