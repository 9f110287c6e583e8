#include "engine/LevelAnalysis.h"

#include "engine/SampleKernels.h"
#include "engine/WaveMMIO.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <stdexcept>

static_assert(std::endian::native == std::endian::little, "samples are read in place");

namespace {

// Every partial sum of non-negative integers up to this bound is exact in double.
constexpr uint64_t kExactLimit = uint64_t(1) << 53;
// Samples per chunk of an integer square sum: 4096 squares of 24-bit values stay far below
// 2^64 even on top of an exact sum.
constexpr size_t kChunkSamples = 4096;

inline int32_t Get8(const uint8_t* pData, size_t pI) {
    return int32_t(pData[pI]) - 128;
}
inline int32_t Get16(const uint8_t* pData, size_t pI) {
    return Load16(pData + 2 * pI);
}
inline int32_t Get24(const uint8_t* pData, size_t pI) {
    return Unpack24(pData + 3 * pI);
}

size_t BytesPerSample(int32_t pBits) {
    return size_t(pBits / 8);
}

uint64_t ScanChunkOf(int32_t pBits, const uint8_t* pData, size_t pCount, int32_t& pMaxV,
                     int32_t& pMinV) {
    switch (pBits) {
    case 8:
        return ScanChunk8(pData, pCount, pMaxV, pMinV);
    case 16:
        return ScanChunk16(pData, pCount, pMaxV, pMinV);
    default:
        return ScanChunk24(pData, pCount, pMaxV, pMinV);
    }
}

} // namespace

float DbToLinear(float pDb) {
    if (pDb <= -110.0f) return 0.0f;
    const float x = float(std::pow(10.0, double(pDb) / 20.0));
    return std::isfinite(x) ? x : 0.0f;
}

float LinearToDb(float pX) {
    if (!(pX > 0.0f)) return -110.0f;
    const float db = float(20.0 * std::log(double(pX)) / std::log(10.0));
    return std::isfinite(db) ? db : 0.0f;
}

int32_t NearestInt32(double pValue) {
    const double r = std::nearbyint(pValue);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw std::range_error("out of 32-bit range");
    return int32_t(r);
}

int32_t FullScale(int32_t pBitsPerSample) {
    return pBitsPerSample == 8 ? 127 : (pBitsPerSample == 16 ? 32767 : 8388607);
}

uint8_t SilenceByte(int32_t pBitsPerSample) {
    return pBitsPerSample == 8 ? 128 : 0;
}

int32_t SampleValue(int32_t pBitsPerSample, const uint8_t* pData, size_t pIndex) {
    switch (pBitsPerSample) {
    case 8:
        return Get8(pData, pIndex);
    case 16:
        return Get16(pData, pIndex);
    default:
        return Get24(pData, pIndex);
    }
}

// ---- SquareSum ------------------------------------------------------------------------

void SquareSum::Add(uint64_t pSquare) {
    if (!m_Inexact) {
        if (m_Exact + pSquare <= kExactLimit) {
            m_Exact += pSquare;
            return;
        }
        m_Double = double(m_Exact);
        m_Inexact = true;
    }
    m_Double += double(pSquare);
}

void SquareSum::AddChunk(int32_t pBitsPerSample, const uint8_t* pData, size_t pCount,
                         uint64_t pSum) {
    if (!m_Inexact && m_Exact + pSum <= kExactLimit) {
        m_Exact += pSum;
        return;
    }
    // The exact sum passes 2^53 inside this chunk: exact up to there, serial after.
    size_t i = 0;
    for (; i < pCount && !m_Inexact; ++i) {
        const int64_t v = SampleValue(pBitsPerSample, pData, i);
        Add(uint64_t(v * v));
    }
    const size_t width = BytesPerSample(pBitsPerSample);
    m_Double = AddSquaresSerial(pBitsPerSample, pData + i * width, pCount - i, m_Double);
}

void SquareSum::AddSerial24(const uint8_t* pData, size_t pCount, int32_t& pMaxV, int32_t& pMinV) {
    m_Double = ScanSerial24(pData, pCount, pMaxV, pMinV, m_Double);
}

void SquareSum::AddSamples(int32_t pBitsPerSample, const uint8_t* pData, size_t pCount) {
    const size_t width = BytesPerSample(pBitsPerSample);
    for (size_t done = 0; done < pCount;) {
        const size_t n = std::min(kChunkSamples, pCount - done);
        const uint8_t* p = pData + done * width;
        int32_t maxV = 0, minV = 0;
        AddChunk(pBitsPerSample, p, n, ScanChunkOf(pBitsPerSample, p, n, maxV, minV));
        done += n;
    }
}

// ---- sample scans ---------------------------------------------------------------------

void ScanPeakAndSquares(int32_t pBitsPerSample, const uint8_t* pData, size_t pCount,
                        PeakAndSquares& pInOut) {
    const size_t width = BytesPerSample(pBitsPerSample);
    int32_t maxV = 0, minV = 0;
    for (size_t done = 0; done < pCount;) {
        const size_t n = std::min(kChunkSamples, pCount - done);
        const uint8_t* p = pData + done * width;
        if (pBitsPerSample == 24 && !pInOut.Squares.Exact())
            pInOut.Squares.AddSerial24(p, n, maxV, minV); // loud 24-bit blocks
        else
            pInOut.Squares.AddChunk(pBitsPerSample, p, n,
                                    ScanChunkOf(pBitsPerSample, p, n, maxV, minV));
        done += n;
    }
    pInOut.Peak = std::max({pInOut.Peak, maxV, -minV});
}

int64_t FirstSampleAbove(int32_t pBitsPerSample, const uint8_t* pData, size_t pCount,
                         int32_t pThreshold) {
    switch (pBitsPerSample) {
    case 8:
        return FirstAbove8(pData, pCount, pThreshold);
    case 16:
        return FirstAbove16(pData, pCount, pThreshold);
    default:
        return FirstAbove24(pData, pCount, pThreshold);
    }
}

int64_t LastSampleAbove(int32_t pBitsPerSample, const uint8_t* pData, size_t pCount,
                        int32_t pThreshold) {
    switch (pBitsPerSample) {
    case 8:
        return LastAbove8(pData, pCount, pThreshold);
    case 16:
        return LastAbove16(pData, pCount, pThreshold);
    default:
        return LastAbove24(pData, pCount, pThreshold);
    }
}

// ---- first pass -----------------------------------------------------------------------

int64_t AnalysisBlockFrames(int32_t pSampleRate) {
    const double frames = std::nearbyint(double(pSampleRate) * 0.3);
    return frames < 1.0 ? 1 : int64_t(frames);
}

void FirstPass::FindSound(const uint8_t* pData, int64_t pFrames, int64_t pFirstFrame) {
    if (!Trim) return;
    const size_t samples = size_t(pFrames) * size_t(Channels);
    if (FirstSound == -1) {
        const int64_t i = FirstSampleAbove(BitsPerSample, pData, samples, ThIn);
        if (i >= 0) FirstSound = pFirstFrame + i / Channels;
    }
    const int64_t i = LastSampleAbove(BitsPerSample, pData, samples, ThOut);
    if (i >= 0) LastSound = pFirstFrame + i / Channels;
}

void FirstPass::Feed(const uint8_t* pData, int64_t pFrames, int64_t pFirstFrame) {
    if (Wide()) {
        FeedWide(pData, pFrames, pFirstFrame);
        return;
    }
    FindSound(pData, pFrames, pFirstFrame);
    ScanPeakAndSquares(BitsPerSample, pData, size_t(pFrames) * size_t(Channels), Block);
    BlockFramesSeen += pFrames;
}

void FirstPass::EndBlock() {
    CloseBlock(Wide() ? m_WideBlockSum : Block.Squares.Value(), BlockFramesSeen);
    Block.Squares.Clear();
    m_WideBlockSum = 0.0;
    BlockFramesSeen = 0;
}

void FirstPass::CloseBlock(double pSum, int64_t pFrames) {
    const int64_t samples = int64_t(Channels) * pFrames;
    TotalSumSq += pSum;
    TotalSamples += samples;
    if (samples > 0) {
        const double rms = std::sqrt(pSum / double(samples));
        if (rms > MaxBlockRms) MaxBlockRms = RoundLevel(rms);
    }
}

void FirstPass::SumFourBlocks24(const uint8_t* pData, int64_t pFirstFrame, double pSums[4]) {
    FindSound(pData, 4 * BlockFrames, pFirstFrame);
    const size_t samples = size_t(BlockFrames) * size_t(Channels);
    int32_t maxV = 0, minV = 0;
    const uint8_t* rest[4];
    size_t left[4];
    for (int j = 0; j < 4; ++j) {
        // Exact integer sums while they last, as in ScanPeakAndSquares.
        const uint8_t* block = pData + size_t(j) * samples * 3;
        SquareSum sum;
        size_t i = 0;
        while (i < samples && sum.Exact()) {
            const size_t n = std::min(kChunkSamples, samples - i);
            sum.AddChunk(24, block + 3 * i, n, ScanChunk24(block + 3 * i, n, maxV, minV));
            i += n;
        }
        pSums[j] = sum.Value();
        rest[j] = block + 3 * i;
        left[j] = samples - i;
    }
    // The serial sums run side by side, four chains at a time, over the length the blocks still
    // summing have in common; a finished block's slot repeats a running one (result dropped).
    for (;;) {
        int running[4];
        int n = 0;
        for (int j = 0; j < 4; ++j)
            if (left[j] > 0) running[n++] = j;
        if (n <= 1) break;
        size_t common = left[running[0]];
        for (int k = 1; k < n; ++k)
            common = std::min(common, left[running[k]]);
        const uint8_t* runs[4];
        double sums[4];
        for (int k = 0; k < 4; ++k) {
            const int j = running[k < n ? k : 0];
            runs[k] = rest[j];
            sums[k] = pSums[j];
        }
        ScanSerial24x4(runs, common, maxV, minV, sums);
        for (int k = 0; k < n; ++k) {
            const int j = running[k];
            pSums[j] = sums[k];
            rest[j] += 3 * common;
            left[j] -= common;
        }
    }
    for (int j = 0; j < 4; ++j)
        pSums[j] = ScanSerial24(rest[j], left[j], maxV, minV, pSums[j]);
    Block.Peak = std::max({Block.Peak, maxV, -minV});
}

void FirstPass::Finish() {
    if (TotalSamples > 0) NormRms = RoundLevel(std::sqrt(TotalSumSq / double(TotalSamples)));
}

double FirstPass::RoundLevel(double pRms) const {
    return Wide() && Float ? pRms : std::nearbyint(pRms);
}

// ---- second pass ----------------------------------------------------------------------

void SecondPass::Feed(const uint8_t* pData, int64_t pFrames) {
    if (BitsPerSample == 32 || (Channels > 2 && !Plain())) {
        FeedDirect(pData, pFrames);
        return;
    }
    if (Plain()) {
        m_ExactSum.AddSamples(BitsPerSample, pData, size_t(pFrames) * size_t(Channels));
        GateFrameCount += pFrames;
        return;
    }
    PrepareTables();
    const double* sq = m_Square.data();
    const int32_t quietMax = m_QuietMax;
    const double scale = double(Scale), level = double(GateLevel);
    // Squared scaled magnitude of one sample; quiet when the gate would count it as silence.
    const auto table8 = [sq, quietMax](const uint8_t* pData, size_t pI, bool& pQuiet) {
        const int32_t m = std::abs(Get8(pData, pI));
        pQuiet = pQuiet && m <= quietMax;
        return sq[m];
    };
    const auto table16 = [sq, quietMax](const uint8_t* pData, size_t pI, bool& pQuiet) {
        const int32_t m = std::abs(Get16(pData, pI));
        pQuiet = pQuiet && m <= quietMax;
        return sq[m];
    };
    const auto direct24 = [scale, level](const uint8_t* pData, size_t pI, bool& pQuiet) {
        const double v = double(std::abs(Get24(pData, pI))) * scale;
        pQuiet = pQuiet && v <= level;
        return v * v;
    };
    const bool stereo = Channels == 2;
    switch (BitsPerSample) {
    case 8:
        stereo ? FeedGated<2>(pData, pFrames, table8) : FeedGated<1>(pData, pFrames, table8);
        break;
    case 16:
        stereo ? FeedGated<2>(pData, pFrames, table16) : FeedGated<1>(pData, pFrames, table16);
        break;
    default:
        stereo ? FeedGated<2>(pData, pFrames, direct24) : FeedGated<1>(pData, pFrames, direct24);
        break;
    }
}

void SecondPass::PrepareTables() {
    if (BitsPerSample == 24 || !m_Square.empty()) return;
    const int32_t largest = BitsPerSample == 8 ? 128 : 32768;
    m_Square.resize(size_t(largest) + 1);
    for (int32_t m = 0; m <= largest; ++m) {
        const double v = double(m) * double(Scale);
        m_Square[size_t(m)] = v * v;
        if (v <= double(GateLevel)) m_QuietMax = m;
    }
}

template <int kChannels, typename Square>
void SecondPass::FeedGated(const uint8_t* pData, int64_t pFrames, Square pSquare) {
    const int64_t gate = GateFrames;
    double sum = m_Sum;
    int64_t run = GateRun, counted = GateFrameCount;
    for (size_t k = 0; k < size_t(pFrames); ++k) {
        bool quiet = true;
        const double left = pSquare(pData, k * kChannels, quiet);
        const double right = kChannels == 2 ? pSquare(pData, k * kChannels + 1, quiet) : 0.0;
        if (gate != 0) {
            run = quiet ? run + 1 : 0;
            if (run > gate) continue;
        }
        sum += left;
        if (kChannels == 2) sum += right;
        ++counted;
    }
    m_Sum = sum;
    GateRun = run;
    GateFrameCount = counted;
}

double SecondPass::RangeRms() const {
    const double sum = Plain() ? m_ExactSum.Value() : m_Sum;
    if (GateFrameCount <= 0 || !(sum > 0.0)) return 0.0;
    return std::sqrt(sum / (double(Channels) * double(GateFrameCount)));
}
