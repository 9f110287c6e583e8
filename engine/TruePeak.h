#pragma once

// True peak of one channel: the highest magnitude of the signal oversampled 4 times (rates
// below 96 kHz) or 2 times (below 192 kHz) by a 49-tap Hann-windowed sinc interpolator, or the
// sample peak alone at higher rates. The arithmetic (double sums in tap order, each output
// rounded to float) is that of the loudness library's own meter, so the readings are the same
// to the bit; the sums run over many outputs at once instead of one output after another.

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

  private:
    struct Phase {
        std::vector<double> Coeff;
        std::vector<size_t> Delay; // samples back from the newest
    };

    template <typename T>
    void FeedSamples(const T* pData, size_t pCount, size_t pStride, double pFull);
    void Interpolate(size_t pCount);

    std::vector<Phase> m_Phases;
    size_t m_History = 0;          // samples kept from the last feed (the longest delay)
    std::vector<double> m_Samples; // the kept history, then the samples of this feed
    double m_SamplePeak = 0.0;
    double m_InterpolatedPeak = 0.0;
};
