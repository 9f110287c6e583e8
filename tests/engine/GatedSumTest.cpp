// The gated, scaled sum of squares (RMS(Calc)) summed in whole units of its binade gives the
// bits of the one-by-one double sum: long runs of full-scale samples that carry the sum across
// many binades and past 2^53, scales whose squares end in halves of a unit (ties), the gate
// opening and closing, pieces of odd lengths.

#include "engine/LevelAnalysis.h"

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
