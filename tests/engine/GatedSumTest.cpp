// The gated, scaled sum of squares (RMS(Calc)) summed in whole units of its binade gives the
// bits of the one-by-one double sum: long runs of full-scale samples that carry the sum across
// many binades and past 2^53, scales whose squares end in halves of a unit (ties), the gate
// opening and closing, pieces of odd lengths.

#include "engine/LevelAnalysis.h"
#include "engine/UnitSums.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Interleaved samples: loud runs of full-scale and near-full-scale values, and quiet runs
// that the gate leaves out when they last.
std::vector<uint8_t> AdversarialSamples(int32_t pBits, int32_t pChannels, int64_t pFrames) {
    const size_t width = size_t(pBits / 8);
    std::vector<uint8_t> data(size_t(pFrames * pChannels) * width);
    uint32_t seed = 12345;
    const int32_t full = pBits == 8 ? 127 : 32767;
    for (int64_t f = 0; f < pFrames; ++f) {
        const bool quiet = (f / 5000) % 13 == 3 || (f / 200) % 23 == 5;
        for (int32_t c = 0; c < pChannels; ++c) {
            seed = seed * 1664525u + 1013904223u;
            int32_t v;
            if (quiet)
                v = int32_t(seed >> 29) - 4; // -4..3
            else if ((seed >> 8) % 4 == 0)
                v = (seed >> 20) % 2 ? full : -full - 1;
            else
                v = full - int32_t((seed >> 12) % 700);
            uint8_t* p = &data[size_t(f * pChannels + c) * width];
            if (pBits == 8) {
                *p = uint8_t(v + 128);
            } else {
                const int16_t s = int16_t(v);
                std::memcpy(p, &s, 2);
            }
        }
    }
    return data;
}

struct Reference {
    double Sum = 0.0;
    int64_t Counted = 0;
};

// The one-by-one formula: scaled magnitudes, the gate by runs of quiet frames, squares added
// in order in double.
Reference PlainGatedSum(int32_t pBits, int32_t pChannels, const std::vector<uint8_t>& pData,
                        int64_t pFrames, float pScale, int64_t pGate, int32_t pGateLevel) {
    Reference r;
    int64_t run = 0;
    for (int64_t f = 0; f < pFrames; ++f) {
        double v[2] = {0.0, 0.0};
        bool quiet = true;
        for (int32_t c = 0; c < pChannels; ++c) {
            v[c] = std::fabs(double(SampleValue(pBits, pData.data(), size_t(f * pChannels + c)))) *
                   double(pScale);
            if (v[c] > pGateLevel) quiet = false;
        }
        if (pGate != 0) run = quiet ? run + 1 : 0;
        if (run > pGate) continue;
        for (int32_t c = 0; c < pChannels; ++c)
            r.Sum += v[c] * v[c];
        ++r.Counted;
    }
    return r;
}

} // namespace

TEST(GatedSum, EqualsTheOneByOneDoubleSumOnAdversarialData) {
    struct Case {
        int32_t Bits, Channels;
        int64_t Frames;
    };
    // The 16-bit stereo case passes 2^53 even at scale 1 (5.2 million frames near full scale).
    for (const Case c :
         {Case{16, 2, 5200000}, Case{16, 1, 300000}, Case{8, 2, 300000}, Case{8, 1, 200000}}) {
        const std::vector<uint8_t> data = AdversarialSamples(c.Bits, c.Channels, c.Frames);
        const size_t frameBytes = size_t(c.Channels * c.Bits / 8);
        // 1.5 and 0.75 make squares with halves and quarters (ties in many binades);
        // 32767/32768 is the scale of a peak at -32768.
        for (float scale : {1.0f, 1.5f, 0.75f, 1.7f, float(32767.0 / 32768.0)}) {
            for (int64_t gate : {int64_t(0), int64_t(300)}) {
                if (scale == 1.0f && gate == 0) continue; // the plain exact sum
                const bool isLong = c.Frames > 1000000;
                if (isLong && scale != 1.0f && scale != 1.5f) continue; // time
                SCOPED_TRACE(testing::Message() << c.Bits << "-bit " << c.Channels << "ch scale "
                                                << scale << " gate " << gate);
                SecondPass pass;
                pass.BitsPerSample = c.Bits;
                pass.Channels = c.Channels;
                pass.Scale = scale;
                pass.GateFrames = gate;
                pass.GateLevel = c.Bits == 8 ? 4 : 6;
                // Pieces of odd lengths, so that chunks start anywhere.
                for (int64_t done = 0, piece = 1; done < c.Frames;
                     piece = (piece * 7 + 3) % 400009) {
                    const int64_t n = std::min(piece + 1, c.Frames - done);
                    pass.Feed(data.data() + size_t(done) * frameBytes, n);
                    done += n;
                }
                const Reference ref =
                    PlainGatedSum(c.Bits, c.Channels, data, c.Frames, scale, gate, pass.GateLevel);
                EXPECT_EQ(pass.GateFrameCount, ref.Counted);
                EXPECT_EQ(pass.RangeRms(),
                          std::sqrt(ref.Sum / (double(c.Channels) * double(ref.Counted))));
                if (isLong && scale == 1.0f) {
                    EXPECT_GT(ref.Sum, 0x1p53); // the sum did pass 2^53
                }
            }
        }
    }
}

TEST(GatedSum, TheGateCountsExactlyGateFramesOfQuietAtEveryWidth) {
    // A loud frame, five frames exactly at the gate level (quiet: at or below it), a loud frame.
    // A gate of three counts the first three quiet frames and leaves out the other two.
    struct Case {
        int32_t Bits, Channels;
        bool Float;
        double Loud, Level; // magnitudes in the format's units
    };
    for (const Case c : {Case{32, 1, false, 2e9, 1e6}, Case{32, 2, true, 0.75, 0.25},
                         Case{16, 3, false, 30000, 1000}, Case{24, 4, false, 8e6, 4096}}) {
        SCOPED_TRACE(testing::Message()
                     << c.Bits << "-bit " << c.Channels << "ch float " << c.Float);
        const size_t width = size_t(c.Bits / 8);
        std::vector<uint8_t> data;
        const double frames[] = {c.Loud, c.Level, -c.Level, c.Level, c.Level, c.Level, -c.Loud};
        for (double v : frames) {
            for (int32_t ch = 0; ch < c.Channels; ++ch) {
                uint8_t bytes[4];
                if (c.Float) {
                    const float f = float(v);
                    std::memcpy(bytes, &f, 4);
                } else {
                    const int32_t n = int32_t(v);
                    std::memcpy(bytes, &n, 4); // little-endian: the low bytes first
                }
                data.insert(data.end(), bytes, bytes + width);
            }
        }
        SecondPass pass;
        pass.BitsPerSample = c.Bits;
        pass.Channels = c.Channels;
        pass.Float = c.Float;
        pass.Scale = 1.0f;
        pass.GateFrames = 3;
        pass.GateLevel = int32_t(c.Level);
        pass.WideGateLevel = c.Level;
        pass.Feed(data.data(), 7);
        EXPECT_EQ(pass.GateFrameCount, 5);
        EXPECT_DOUBLE_EQ(pass.RangeRms(),
                         std::sqrt((2 * c.Loud * c.Loud + 3 * c.Level * c.Level) / 5));
    }
}

TEST(GatedSum, UnitsRefuseTiesBothWaysAndTermsPastTheirRange) {
    // Ties round to even in a double sum: 2.5 down and 3.5 up; neither may be taken in units.
    uint64_t units = 0;
    EXPECT_FALSE(SquareInUnits(2.5, 0, units));
    EXPECT_FALSE(SquareInUnits(3.5, 0, units));
    EXPECT_FALSE(SquareInUnits(0.875, 2, units)); // 3.5 units of a quarter
    ASSERT_TRUE(SquareInUnits(3.75, 0, units));
    EXPECT_EQ(units, 4u);
    ASSERT_TRUE(SquareInUnits(0x1p52 - 1.0, 0, units));
    EXPECT_FALSE(SquareInUnits(0x1p52, 0, units));
    // The vector sum is bounded by the largest square (32768^2 units times the factor), not
    // the largest magnitude: at 2^23 units per square unit a full-scale sample passes 2^52.
    std::vector<uint8_t> loud(16 * 2);
    for (size_t i = 0; i < 16; ++i) {
        const int16_t v = i % 2 ? int16_t(-32768) : int16_t(32767);
        std::memcpy(&loud[2 * i], &v, 2);
    }
    EXPECT_NE(SumUnits16(loud.data(), 16, 1.0, 23, units), UnitSum::Summed);
    if (SumUnits16(loud.data(), 16, 1.0, 0, units) == UnitSum::Summed) {
        EXPECT_EQ(units, 8 * (uint64_t(32767 * 32767) + uint64_t(32768 * 32768)));
    }
}
