#pragma once

// Level measurement of PCM audio: decibel conversions, the first measuring pass
// (peak, block RMS, overall RMS, first and last sound) and the second pass over the trimmed
// range (plain RMS or RMS with long silences gated out).
//
// Samples are handled as flat interleaved arrays of one width (8-bit unsigned, 16-bit and
// 24-bit packed signed, little-endian). Sums of squares reproduce a double accumulation in
// sample order exactly: integer sums are used while they are exact, a serial double sum after.
// 32-bit data (signed integers or floats, engine/WideKernels.h) is measured in doubles:
// magnitudes, thresholds and levels of float data are fractions of full scale (1.0).

#include <cstddef>
#include <cstdint>
#include <vector>

// 10^(dB / 20) rounded to single; 0 at or below -110 dB (and for NaN), the largest finite
// single where the power overflows.
float DbToLinear(float pDb);
// 20 * ln(x) / ln(10) rounded to single; -110 for x <= 0 and NaN, +infinity taken as the
// largest finite single.
float LinearToDb(float pX);

// Round half to even into 32 bits; throws std::range_error when the value does not fit
// (the job turns that into a failed job).
int32_t NearestInt32(double pValue);

// Full-scale magnitude of a sample width: 127, 32767 or 8388607.
int32_t FullScale(int32_t pBitsPerSample);
// The byte that encodes silence: 128 for 8-bit data, 0 otherwise.
uint8_t SilenceByte(int32_t pBitsPerSample);

// Signed value of sample i of a flat array (8-bit data as byte - 128).
int32_t SampleValue(int32_t pBitsPerSample, const uint8_t* pData, size_t pIndex);

// A sum of squared integers that equals summing them one by one in double precision.
class SquareSum {
  public:
    // Adds one square.
    void Add(uint64_t pSquare);
    // Adds the squares of pCount samples of a flat array.
    void AddSamples(int32_t pBitsPerSample, const uint8_t* pData, size_t pCount);
    // Adds a chunk of at most 4096 samples whose squares sum to pSum.
    void AddChunk(int32_t pBitsPerSample, const uint8_t* pData, size_t pCount, uint64_t pSum);
    // Once the sum is no longer exact: adds the squares of a chunk of 24-bit samples one by
    // one and widens maxV / minV over them.
    void AddSerial24(const uint8_t* pData, size_t pCount, int32_t& pMaxV, int32_t& pMinV);
    bool Exact() const { return !m_Inexact; }
    double Value() const { return m_Inexact ? m_Double : double(m_Exact); }
    void Clear() { *this = SquareSum(); }

  private:
    uint64_t m_Exact = 0;
    double m_Double = 0.0;
    bool m_Inexact = false;
};

// Peak magnitude and sum of squares of a run of samples, scanned together.
struct PeakAndSquares {
    int32_t Peak = 0;  // largest magnitude so far
    SquareSum Squares; // squares of every sample so far
};
void ScanPeakAndSquares(int32_t pBitsPerSample, const uint8_t* pData, size_t pCount,
                        PeakAndSquares& pInOut);

// Index of the first / last sample whose magnitude is strictly above pThreshold, or -1.
int64_t FirstSampleAbove(int32_t pBitsPerSample, const uint8_t* pData, size_t pCount,
                         int32_t pThreshold);
int64_t LastSampleAbove(int32_t pBitsPerSample, const uint8_t* pData, size_t pCount,
                        int32_t pThreshold);

// The state of the first measuring pass over a range of frames.
struct FirstPass {
    // Set up before the pass.
    int32_t BitsPerSample = 16;
    int32_t Channels = 1;
    bool Float = false; // 32-bit data: floats rather than integers
    bool Trim = false;
    int32_t ThIn = 0;
    int32_t ThOut = 0;
    double WideThIn = 0.0; // the thresholds of 32-bit data
    double WideThOut = 0.0;
    int64_t BlockFrames = 1; // analysis block length (0.3 s, at least one frame)

    // Measurements; the RMS levels are whole numbers except for float data.
    int64_t FirstSound = -1;
    int64_t LastSound = 0;
    double MaxBlockRms = 0.0;
    double NormRms = 0.0;
    double TotalSumSq = 0.0;
    int64_t TotalSamples = 0;
    PeakAndSquares Block; // peak (kept across blocks) and the current block's squares
    int64_t BlockFramesSeen = 0;

    // Feeds pFrames consecutive frames starting at frame pFirstFrame; they must not cross
    // the end of the current analysis block.
    void Feed(const uint8_t* pData, int64_t pFrames, int64_t pFirstFrame);
    // Closes the current analysis block: block RMS, totals.
    void EndBlock();
    // Feeds pBlocks whole analysis blocks of BlockFrames frames, starting at a block
    // boundary, closing each in order and calling pBlockDone() after each.
    template <typename Done>
    void FeedBlocks(const uint8_t* pData, int64_t pBlocks, int64_t pFirstFrame, Done pBlockDone);
    // After the last block: the overall RMS.
    void Finish();
    double Peak() const { return Wide() ? m_WidePeak : double(Block.Peak); }

  private:
    bool Wide() const { return BitsPerSample == 32; }
    double RoundLevel(double pRms) const;
    void FindSound(const uint8_t* pData, int64_t pFrames, int64_t pFirstFrame);
    // 32-bit data (engine/WideLevels.cpp): one run of frames of a block, and four whole
    // blocks side by side.
    void FeedWide(const uint8_t* pData, int64_t pFrames, int64_t pFirstFrame);
    void FindSoundAndPeakWide(const uint8_t* pData, int64_t pFrames, int64_t pFirstFrame);
    void SumFourBlocksWide(const uint8_t* pData, int64_t pFirstFrame, double pSums[4]);
    void CloseBlock(double pSum, int64_t pFrames);
    // Four whole 24-bit blocks: their sums (independent serial chains, run side by side).
    void SumFourBlocks24(const uint8_t* pData, int64_t pFirstFrame, double pSums[4]);

    double m_WidePeak = 0.0;     // 32-bit data: peak so far
    double m_WideBlockSum = 0.0; // and the current block's squares
};

template <typename Done>
void FirstPass::FeedBlocks(const uint8_t* pData, int64_t pBlocks, int64_t pFirstFrame,
                           Done pBlockDone) {
    const size_t blockBytes = size_t(BlockFrames) * size_t(Channels) * size_t(BitsPerSample / 8);
    int64_t b = 0;
    if (BitsPerSample == 24 || Wide()) {
        for (; b + 4 <= pBlocks; b += 4) {
            double sums[4];
            if (Wide())
                SumFourBlocksWide(pData + size_t(b) * blockBytes, pFirstFrame + b * BlockFrames,
                                  sums);
            else
                SumFourBlocks24(pData + size_t(b) * blockBytes, pFirstFrame + b * BlockFrames,
                                sums);
            for (double sum : sums) {
                CloseBlock(sum, BlockFrames);
                pBlockDone();
            }
        }
    }
    for (; b < pBlocks; ++b) {
        Feed(pData + size_t(b) * blockBytes, BlockFrames, pFirstFrame + b * BlockFrames);
        EndBlock();
        pBlockDone();
    }
}

// Analysis block length for a sampling rate: nearest(rate * 0.3), at least one frame.
int64_t AnalysisBlockFrames(int32_t pSampleRate);

// The state of the second measuring pass (RMS of the trimmed range, optionally gated).
// Magnitudes are scaled by S as doubles, compared with the gate level and their squares
// summed in order; without scale and gate the sum is the plain (exact) sum of squares.
struct SecondPass {
    int32_t BitsPerSample = 16;
    int32_t Channels = 1;
    bool Float = false;     // 32-bit data: floats rather than integers
    float Scale = 1.0f;     // S: F / Peak in mode 3, else 1
    int64_t GateFrames = 0; // 0: every frame counts
    int32_t GateLevel = 0;
    double WideGateLevel = 0.0; // the gate level of 32-bit data

    int64_t GateRun = 0;
    int64_t GateFrameCount = 0;

    void Feed(const uint8_t* pData, int64_t pFrames);
    // RMS of the frames counted (0 when none or silent).
    double RangeRms() const;
    // The (scaled) squares summed and the samples they count.
    double SquaresSum() const { return Plain() ? m_ExactSum.Value() : m_Sum; }
    double SamplesCounted() const { return double(Channels) * double(GateFrameCount); }

  private:
    bool Plain() const { return Scale == 1.0f && GateFrames == 0 && BitsPerSample != 32; }
    // 32-bit data, and scaled or gated sums of more than two channels (engine/WideLevels.cpp):
    // every square formed directly, in frame and channel order.
    void FeedDirect(const uint8_t* pData, int64_t pFrames);
    void PrepareTables();
    template <int kChannels, typename Square>
    void FeedGated(const uint8_t* pData, int64_t pFrames, Square pSquare);
    template <int kChannels, int kBits, typename Square>
    void FeedInUnits(const uint8_t* pData, int64_t pFrames, Square pSquare);
    template <int kChannels, int kBits> bool SumChunkInUnits(const uint8_t* pData, int64_t pFrames);
    bool PrepareUnits();
    void PrepareUnitTable();
    bool AddUnits(uint64_t pAdded);
    template <int kChannels, int kBits>
    int64_t QuietRunAfter(const uint8_t* pData, int64_t pFrames) const;

    SquareSum m_ExactSum; // plain sums
    double m_Sum = 0.0;   // scaled or gated sums
    // 8- and 16-bit data: the scaled square of every magnitude, and the largest magnitude
    // that the gate counts as quiet.
    std::vector<double> m_Square;
    int32_t m_QuietMax = -1;
    // The same squares in units of the spacing of the doubles around m_Sum (its binade has
    // exponent m_UnitsExp); see SumChunkInUnits.
    std::vector<uint64_t> m_Units;
    int32_t m_UnitsExp = 0;
    int32_t m_UnitTableExp = 0;
    uint64_t m_SumUnits = 0;    // m_Sum in those units
    int32_t m_SerialChunks = 0; // chunks left to sum one by one after a chunk that could not
};
