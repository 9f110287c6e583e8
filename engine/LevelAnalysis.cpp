#include "engine/LevelAnalysis.h"

#include "engine/SampleKernels.h"
#include "engine/UnitSums.h"
#include "engine/WaveMMIO.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
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
    if (pDb <= -110.0f || std::isnan(pDb)) return 0.0f;
    const float x = float(std::pow(10.0, double(pDb) / 20.0));
    return std::isfinite(x) ? x : std::numeric_limits<float>::max();
}

float LinearToDb(float pX) {
    if (!(pX > 0.0f)) return -110.0f;
    const float x = std::min(pX, std::numeric_limits<float>::max());
    const float db = float(20.0 * std::log(double(x)) / std::log(10.0));
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
        stereo ? FeedInUnits<2, 8>(pData, pFrames, table8)
               : FeedInUnits<1, 8>(pData, pFrames, table8);
        break;
    case 16:
        stereo ? FeedInUnits<2, 16>(pData, pFrames, table16)
               : FeedInUnits<1, 16>(pData, pFrames, table16);
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

// The gated sum in order is a chain of roundings, one double addition after another. Inside
// one binade [2^(e-1), 2^e) of the running sum the doubles are the multiples of u = 2^(e-53),
// and sum + t rounds to sum + u * round(t / u) whenever t / u does not end in exactly one half
// (a tie, which the parity of the sum would decide). So while a chunk of terms keeps the sum
// inside its binade, adding the terms rounded to whole units as integers gives the bits of
// the chain: the integer sum is exact and has no rounding chain. A chunk that would leave the
// binade, or holds a tie or a term of 2^52 units or more, is summed one by one instead.
namespace {

constexpr uint64_t kTwo53 = uint64_t(1) << 53;
// A term that cannot be taken in units; any one of them fails the chunk's check.
constexpr uint64_t kNoUnits = uint64_t(1) << 52;
// Samples per chunk: kNoUnits times this stays below 2^64.
constexpr int64_t kUnitChunkSamples = 2048;

// pTerm in units of 2^-pScaleExp, rounded to the nearest; kNoUnits for a tie or a large term.
uint64_t InUnits(double pTerm, int32_t pScaleExp) {
    uint64_t units = 0;
    return SquareInUnits(pTerm, pScaleExp, units) ? units : kNoUnits;
}

} // namespace

// The units of the binade of m_Sum: false when the sum is 0 or too small to have a binade
// of normal doubles.
bool SecondPass::PrepareUnits() {
    if (!(m_Sum >= 0x1p-900)) return false;
    int32_t exp = 0;
    const double mantissa = std::frexp(m_Sum, &exp); // m_Sum = mantissa * 2^exp, [0.5, 1)
    m_SumUnits = uint64_t(std::ldexp(mantissa, 53));
    m_UnitsExp = exp;
    return true;
}

// The squares of the table in units of the current binade.
void SecondPass::PrepareUnitTable() {
    if (m_UnitTableExp == m_UnitsExp && !m_Units.empty()) return;
    m_UnitTableExp = m_UnitsExp;
    m_Units.resize(m_Square.size());
    for (size_t m = 0; m < m_Square.size(); ++m)
        m_Units[m] = InUnits(m_Square[m], 53 - m_UnitsExp);
}

// Adds pAdded units to the sum, when the sum stays inside its binade.
bool SecondPass::AddUnits(uint64_t pAdded) {
    if (m_SumUnits + pAdded >= kTwo53) {
        // Past the binade (try the next chunk again) or a term that has no units (sum a few
        // chunks one by one before trying again).
        if (pAdded >= kNoUnits) m_SerialChunks = 4;
        return false;
    }
    m_Sum = std::ldexp(double(m_SumUnits + pAdded), m_UnitsExp - 53);
    return true;
}

// The run of quiet frames at the end of pFrames frames, continuing GateRun.
template <int kChannels, int kBits>
int64_t SecondPass::QuietRunAfter(const uint8_t* pData, int64_t pFrames) const {
    int64_t k = pFrames;
    for (; k > 0; --k) {
        bool quiet = true;
        for (int32_t c = 0; c < kChannels; ++c)
            quiet = quiet && std::abs(SampleValue(kBits, pData, size_t((k - 1) * kChannels + c))) <=
                                 m_QuietMax;
        if (!quiet) break;
    }
    return k == 0 ? GateRun + pFrames : pFrames - k;
}

template <int kChannels, int kBits>
bool SecondPass::SumChunkInUnits(const uint8_t* pData, int64_t pFrames) {
    const int64_t gate = GateFrames;
    if (kBits == 16 && (gate == 0 || GateRun + pFrames <= gate)) {
        // No frame of the chunk can pass the gate: all count, summed in vector code.
        uint64_t added = 0;
        switch (
            SumUnits16(pData, size_t(pFrames) * kChannels, double(Scale), 53 - m_UnitsExp, added)) {
        case UnitSum::Summed:
            if (!AddUnits(added)) return false;
            if (gate != 0) GateRun = QuietRunAfter<kChannels, kBits>(pData, pFrames);
            GateFrameCount += pFrames;
            return true;
        case UnitSum::NoUnits:
            m_SerialChunks = 4;
            return false;
        case UnitSum::NoKernel:
            break;
        }
    }
    PrepareUnitTable();
    const uint64_t* units = m_Units.data();
    const int32_t quietMax = m_QuietMax;
    const auto magnitude = [pData](size_t pI) {
        return std::abs(kBits == 16 ? Get16(pData, pI) : Get8(pData, pI));
    };
    uint64_t added = 0;
    int64_t run = GateRun, counted = GateFrameCount;
    for (size_t k = 0; k < size_t(pFrames); ++k) {
        const int32_t left = magnitude(k * kChannels);
        const int32_t right = kChannels == 2 ? magnitude(k * kChannels + 1) : 0;
        if (gate != 0) {
            const bool quiet = std::max(left, right) <= quietMax;
            run = quiet ? run + 1 : 0;
            if (run > gate) continue;
        }
        added += units[left];
        if (kChannels == 2) added += units[right];
        ++counted;
    }
    if (!AddUnits(added)) return false;
    GateRun = run;
    GateFrameCount = counted;
    return true;
}

template <int kChannels, int kBits, typename Square>
void SecondPass::FeedInUnits(const uint8_t* pData, int64_t pFrames, Square pSquare) {
    const int64_t chunkFrames = kUnitChunkSamples / kChannels;
    const size_t frameBytes = size_t(kChannels) * (kBits / 8);
    for (int64_t done = 0; done < pFrames;) {
        const int64_t n = std::min(chunkFrames, pFrames - done);
        const uint8_t* p = pData + size_t(done) * frameBytes;
        bool summed = false;
        if (m_SerialChunks > 0)
            --m_SerialChunks;
        else
            summed = PrepareUnits() && SumChunkInUnits<kChannels, kBits>(p, n);
        if (!summed) FeedGated<kChannels>(p, n, pSquare);
        done += n;
    }
}

double SecondPass::RangeRms() const {
    const double sum = Plain() ? m_ExactSum.Value() : m_Sum;
    if (GateFrameCount <= 0 || !(sum > 0.0)) return 0.0;
    return std::sqrt(sum / (double(Channels) * double(GateFrameCount)));
}
