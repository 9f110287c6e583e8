#pragma once

// Loudness of a stretch of integer PCM audio as broadcast delivery measures it: integrated
// loudness (K-weighting, 400 ms blocks with 75 % overlap, gated at -70 LUFS and 10 LU below
// the ungated level), loudness range and true peak (4x oversampled). The measuring itself is
// libebur128's; this pair is the only place that talks to it.
//
// True peak is measured per channel, each channel by its own TruePeakMeter on its own thread,
// beside the loudness state on the caller's thread; the peaks equal to the bit those of one
// libebur128 state fed all channels at once (its oversampling filter runs on each channel
// alone), at a fraction of the time: that state also K-weights every channel it peaks.

#include <cstdint>
#include <memory>
#include <vector>

// What a meter measures beyond the integrated loudness.
struct LoudnessWanted {
    bool Range = false;    // loudness range
    bool TruePeak = false; // true peak
    // One true-peak meter per channel on its own thread (false: one libebur128 state for all
    // channels on the caller's thread, the plain way the parallel one is checked against).
    bool ParallelTruePeak = true;
};

struct LoudnessResult {
    // LUFS; minus infinity when no block passes the gates (silence, or nothing measured).
    double IntegratedLufs = 0.0;
    bool HasRange = false;
    double RangeLu = 0.0;
    bool HasTruePeak = false;
    double TruePeak = 0.0; // linear, 1 at full scale; the highest of all channels
    // The peak a true-peak ceiling is held against (engine/TruePeak.h): linear, at least
    // TruePeak; an estimate of the continuous signal's peak, which other meters do not pass.
    double CeilingPeak = 0.0;

    // True peak in dB of full scale (minus infinity for a silent range).
    double TruePeakDbtp() const;
};

// The gating blocks of one measured range, kept to pool several ranges into the integrated
// loudness of one programme. Holds a shrunken libebur128 state: its finished blocks only.
class LoudnessBlocks {
  public:
    ~LoudnessBlocks();
    LoudnessBlocks(const LoudnessBlocks&) = delete;
    LoudnessBlocks& operator=(const LoudnessBlocks&) = delete;

  private:
    friend class LoudnessMeter;
    friend double PooledLoudness(const std::vector<const LoudnessBlocks*>& pRanges);
    struct State;
    explicit LoudnessBlocks(std::unique_ptr<State> pState);
    std::unique_ptr<State> m_S;
};

// The integrated loudness of the ranges measured as one programme (the gates over all their
// blocks together), in LUFS; minus infinity when no block passes the gates. Of one range it is
// that range's integrated loudness.
double PooledLoudness(const std::vector<const LoudnessBlocks*>& pRanges);

class LoudnessMeter {
  public:
    // Throws std::bad_alloc when a state cannot be made, std::invalid_argument for a format
    // the meter does not take (widths other than 8, 16, 24, 32 bits; no channels or no rate).
    // pFloat: 32-bit float samples rather than integers.
    LoudnessMeter(int32_t pBitsPerSample, int32_t pChannels, int32_t pSampleRate,
                  LoudnessWanted pWanted, bool pFloat = false);
    ~LoudnessMeter();
    LoudnessMeter(LoudnessMeter&&) noexcept;
    LoudnessMeter& operator=(LoudnessMeter&&) noexcept;

    // Feeds pFrames interleaved frames in the source's format (8-bit unsigned, 16-bit,
    // 24-bit packed and 32-bit signed, or 32-bit float; little-endian).
    void Feed(const uint8_t* pData, int64_t pFrames);

    // The channels' positions from a WAV channel mask (the i-th set bit is channel i), for
    // weighting surround channels; without a call the library's order applies (L, R, C,
    // LFE, Ls, Rs; four channels L, R, Ls, Rs). Call before the first Feed.
    void SetChannelMask(uint32_t pMask);

    // The measurements of everything fed so far.
    LoudnessResult Result() const;

    // Hands the gating blocks of everything fed over for pooling; the meter is spent after
    // (neither Feed nor Result). Throws std::bad_alloc when the state cannot be shrunk.
    std::shared_ptr<const LoudnessBlocks> TakeBlocks();

  private:
    struct State;
    std::unique_ptr<State> m_S;
};
