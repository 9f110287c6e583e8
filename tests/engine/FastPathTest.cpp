// The fast paths against the plain formulas: block conversion (constant factors, lookup
// tables, fades split off) and the measuring kernels (integer sums, early-exit scans).

#include "engine/EditPass.h"
#include "engine/LevelAnalysis.h"
#include "engine/WaveMMIO.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

// Random samples of a width, with the extremes and silence mixed in.
std::vector<uint8_t> RandomSamples(int32_t pBits, size_t pCount, uint32_t pSeed) {
    std::mt19937 rng(pSeed);
    const size_t width = size_t(pBits / 8);
    std::vector<uint8_t> b(pCount * width);
    for (size_t i = 0; i < pCount; ++i) {
        int32_t v;
        switch (rng() % 8) {
        case 0:
            v = pBits == 8 ? 0 : (pBits == 16 ? -32768 : -8388608);
            break;
        case 1:
            v = pBits == 8 ? 255 : (pBits == 16 ? 32767 : 8388607);
            break;
        case 2:
            v = pBits == 8 ? 128 : 0;
            break;
        default:
            v = pBits == 8 ? int32_t(rng() % 256) : int32_t(rng()) >> (32 - pBits);
            break;
        }
        const uint32_t u = uint32_t(v);
        for (size_t k = 0; k < width; ++k)
            b[i * width + k] = uint8_t(u >> (8 * k));
    }
    return b;
}

// Every 16-bit value once, in a scrambled order.
std::vector<uint8_t> All16BitValues() {
    std::vector<uint8_t> b(size_t(65536) * 2);
    for (size_t i = 0; i < 65536; ++i) {
        const uint16_t v = uint16_t(i * 40503u);
        std::memcpy(&b[i * 2], &v, 2);
    }
    return b;
}

} // namespace

TEST(FastPath, BlockConversionMatchesThePlainFormulas) {
    struct Levels {
        float L, R;
    };
    // Gains of every mode end up as channel levels: cuts, boosts past full scale, the -60
    // floor, unequal channels.
    const std::vector<Levels> levels = {
        {-3.0f, -3.0f}, {6.5f, 6.5f}, {-60.0f, 0.0f}, {0.0001f, -12.25f}, {24.0f, -0.5f}};
    struct Fades {
        int32_t In, Out;
    };
    const std::vector<Fades> fades = {{0, 0}, {1000, 0}, {0, 777}, {5000, 4000}, {-5, 3}};
    for (int32_t bits : {8, 16, 24}) {
        for (int32_t channels : {1, 2}) {
            const int64_t frames = 40000; // long enough for the tables
            const std::vector<uint8_t> src =
                RandomSamples(bits, size_t(frames * channels), uint32_t(bits * 10 + channels));
            for (const Levels& lv : levels) {
                for (const Fades& f : fades) {
                    SCOPED_TRACE(testing::Message()
                                 << bits << "-bit " << channels << "ch " << lv.L << "/" << lv.R
                                 << " dB fades " << f.In << "/" << f.Out);
                    BlockFormat fmt;
                    fmt.BitsPerSample = bits;
                    fmt.Channels = channels;
                    fmt.DbL = lv.L;
                    fmt.DbR = lv.R;
                    fmt.Start = 100;
                    fmt.End = 100 + frames;
                    fmt.FadeIn = f.In;
                    fmt.FadeOut = f.Out;
                    std::vector<uint8_t> plain = src, fast = src;
                    ConvertBlockPlain(fmt, plain.data(), frames, fmt.Start);
                    // Blocks of uneven size, so that fades straddle block edges.
                    const BlockConverter conv(fmt);
                    const int64_t frameBytes = channels * bits / 8;
                    for (int64_t k = 0; k < frames;) {
                        const int64_t n = std::min<int64_t>(frames - k, 3001 + k % 7);
                        conv.Convert(fast.data() + k * frameBytes, n, fmt.Start + k);
                        k += n;
                    }
                    ASSERT_TRUE(plain == fast);
                }
            }
        }
    }
}

TEST(FastPath, SixteenBitPathCoversEveryValue) {
    const std::vector<uint8_t> src = All16BitValues();
    for (float db : {-0.1f, 0.0001f, 3.0f, -40.0f, 0.00003f}) {
        SCOPED_TRACE(db);
        BlockFormat fmt;
        fmt.Channels = 2;
        fmt.DbL = db;
        fmt.DbR = -db;
        fmt.End = 32768;
        std::vector<uint8_t> plain = src, fast = src;
        ConvertBlockPlain(fmt, plain.data(), 32768, 0);
        BlockConverter(fmt).Convert(fast.data(), 32768, 0);
        EXPECT_TRUE(plain == fast);
    }
}

TEST(FastPath, SampleConversionRoundsHalfToEvenAndSaturates) {
    EXPECT_EQ(Convert16(5, 0.5f), 2); // 2.5 -> 2
    EXPECT_EQ(Convert16(7, 0.5f), 4); // 3.5 -> 4
    EXPECT_EQ(Convert16(-32768, 1.0f), -32767);
    EXPECT_EQ(Convert16(32767, 1.0001f), 32767);
    EXPECT_EQ(Convert8(0, 2.0f), 0);
    EXPECT_EQ(Convert8(255, 2.0f), 255);
    EXPECT_EQ(Convert8(133, 0.5f), 130); // 130.5 -> 130
    EXPECT_EQ(Convert24(-8388608, 1.0f), -8388607);
    EXPECT_EQ(Convert24(3, 0.5f), 2);
}

TEST(FastPath, MeasuringKernelsMatchSerialDoubleSums) {
    // Widths 8, 16, 24 and 24-bit data quiet enough (top byte cleared) to stay exact; loud
    // 24-bit data passes 2^53 part way.
    for (int32_t kind : {8, 16, 24, 25}) {
        SCOPED_TRACE(kind);
        const int32_t bits = std::min(kind, 24);
        const size_t count = bits == 24 ? 300000 : 100000;
        std::vector<uint8_t> data = RandomSamples(bits, count, uint32_t(kind));
        if (kind == 25) {
            for (size_t i = 2; i < data.size(); i += 3)
                data[i] = (i % 2) ? 0xFF : 0x00;
        }
        double serial = 0.0;
        int32_t peak = 0;
        for (size_t i = 0; i < count; ++i) {
            const double v = SampleValue(bits, data.data(), i);
            serial += v * v;
            peak = std::max(peak, int32_t(std::fabs(v)));
        }
        PeakAndSquares fast;
        // In two pieces, as blocks split across reads are.
        ScanPeakAndSquares(bits, data.data(), 12345, fast);
        ScanPeakAndSquares(bits, data.data() + 12345 * size_t(bits / 8), count - 12345, fast);
        EXPECT_EQ(fast.Squares.Value(), serial);
        EXPECT_EQ(fast.Peak, peak);

        SquareSum sum;
        sum.AddSamples(bits, data.data(), count);
        EXPECT_EQ(sum.Value(), serial);
    }
}

TEST(FastPath, ThresholdScansFindTheSameFramesAsAPlainLoop) {
    for (int32_t bits : {16, 24}) {
        // Mostly below 600; the scans must find the rare louder samples at any position.
        const size_t count = 5003;
        std::vector<uint8_t> data = RandomSamples(bits, count, 7);
        const size_t width = size_t(bits / 8);
        for (size_t i = 0; i < count; ++i) {
            const int32_t v = SampleValue(bits, data.data(), i) / (bits == 16 ? 64 : 16384);
            for (size_t k = 0; k < width; ++k)
                data[i * width + k] = uint8_t(uint32_t(v) >> (8 * k));
        }
        for (auto [i, v] : {std::pair<size_t, int32_t>{2001, 700}, {count - 4, -650}, {1, 610}})
            for (size_t k = 0; k < width; ++k)
                data[i * width + k] = uint8_t(uint32_t(v) >> (8 * k));
        for (int32_t th : {0, 100, 511, 512, 600}) {
            for (size_t n : {count, size_t(3), size_t(1)}) {
                SCOPED_TRACE(testing::Message() << bits << " " << th << " " << n);
                int64_t first = -1, last = -1;
                for (size_t i = 0; i < n; ++i) {
                    if (std::abs(SampleValue(bits, data.data(), i)) > th) {
                        if (first < 0) first = int64_t(i);
                        last = int64_t(i);
                    }
                }
                EXPECT_EQ(FirstSampleAbove(bits, data.data(), n, th), first);
                EXPECT_EQ(LastSampleAbove(bits, data.data(), n, th), last);
            }
        }
    }
    // A magnitude equal to the threshold is not sound; -32768 is above 32767.
    const std::vector<uint8_t> edge = {0x00, 0x01, 0x00, 0x80}; // 256, -32768
    EXPECT_EQ(FirstSampleAbove(16, edge.data(), 2, 256), 1);
    EXPECT_EQ(LastSampleAbove(16, edge.data(), 2, 32767), 1);
}

TEST(FastPath, DecibelConversions) {
    EXPECT_EQ(DbToLinear(-110.0f), 0.0f);
    EXPECT_EQ(DbToLinear(-200.0f), 0.0f);
    EXPECT_EQ(DbToLinear(0.0f), 1.0f);
    // Overflow saturates: a huge gain never becomes silence.
    EXPECT_EQ(DbToLinear(771.0f), std::numeric_limits<float>::max());
    EXPECT_EQ(DbToLinear(1e30f), std::numeric_limits<float>::max());
    EXPECT_NEAR(LinearToDb(std::numeric_limits<float>::infinity()), 770.6f, 0.1f);
    EXPECT_EQ(LinearToDb(0.0f), -110.0f);
    EXPECT_EQ(LinearToDb(-1.0f), -110.0f);
    EXPECT_EQ(LinearToDb(1.0f), 0.0f);
    EXPECT_NEAR(LinearToDb(0.5f), -6.0206, 1e-4);
    EXPECT_EQ(NearestInt32(2.5), 2);
    EXPECT_EQ(NearestInt32(3.5), 4);
    EXPECT_EQ(NearestInt32(-2.5), -2);
    EXPECT_THROW(NearestInt32(3e9), std::range_error);
}

TEST(FastPath, GatedRmsMatchesTheFrameByFrameFormula) {
    for (int32_t bits : {8, 16, 24}) {
        for (int32_t channels : {1, 2}) {
            SCOPED_TRACE(testing::Message() << bits << "-bit " << channels << "ch");
            const int64_t frames = 30000;
            std::vector<uint8_t> data =
                RandomSamples(bits, size_t(frames * channels), uint32_t(bits + channels));
            // Runs of near-silence, long and short, so that the gate opens and closes.
            const size_t width = size_t(bits / 8);
            for (int64_t f = 0; f < frames; ++f) {
                if ((f / 700) % 3 != 0 && f % 1000 != 0) {
                    for (int32_t c = 0; c < channels; ++c) {
                        uint8_t* p = &data[size_t(f * channels + c) * width];
                        std::memset(p, 0, width);
                        p[0] = uint8_t(bits == 8 ? 128 : f % 3); // quiet, not always 0
                    }
                }
            }
            const int32_t full = FullScale(bits);
            for (float scale : {1.0f, 1.7f}) {
                for (int64_t gateFrames : {int64_t(0), int64_t(300)}) {
                    SecondPass pass;
                    pass.BitsPerSample = bits;
                    pass.Channels = channels;
                    pass.Scale = scale;
                    pass.GateFrames = gateFrames;
                    pass.GateLevel = NearestInt32(double(DbToLinear(-40.0f)) * full);
                    pass.Feed(data.data(), 10000);
                    pass.Feed(data.data() + size_t(10000 * channels) * width, frames - 10000);

                    double sum = 0.0;
                    int64_t run = 0, counted = 0;
                    for (int64_t f = 0; f < frames; ++f) {
                        double v[2];
                        bool quiet = true;
                        for (int32_t c = 0; c < channels; ++c) {
                            v[c] = std::fabs(double(
                                       SampleValue(bits, data.data(), size_t(f * channels + c)))) *
                                   double(scale);
                            if (v[c] > pass.GateLevel) quiet = false;
                        }
                        if (gateFrames != 0) run = quiet ? run + 1 : 0;
                        if (run <= gateFrames) {
                            for (int32_t c = 0; c < channels; ++c)
                                sum += v[c] * v[c];
                            ++counted;
                        }
                    }
                    SCOPED_TRACE(testing::Message() << scale << " " << gateFrames);
                    EXPECT_EQ(pass.GateFrameCount, counted);
                    EXPECT_EQ(pass.RangeRms(), std::sqrt(sum / (double(channels) * counted)));
                    if (gateFrames != 0) {
                        EXPECT_LT(counted, frames);
                    }
                }
            }
        }
    }
}

TEST(FastPath, EightBitThresholdScans) {
    // Bytes 128 +- 127 and 0 (magnitude 128).
    const std::vector<uint8_t> data = {128, 129, 127, 255, 1,   0,   128, 200, 60,  128,
                                       128, 128, 128, 128, 128, 128, 128, 128, 130, 128};
    for (int32_t th : {0, 1, 2, 126, 127, 128}) {
        SCOPED_TRACE(th);
        int64_t first = -1, last = -1;
        for (size_t i = 0; i < data.size(); ++i) {
            if (std::abs(int32_t(data[i]) - 128) > th) {
                if (first < 0) first = int64_t(i);
                last = int64_t(i);
            }
        }
        EXPECT_EQ(FirstSampleAbove(8, data.data(), data.size(), th), first);
        EXPECT_EQ(LastSampleAbove(8, data.data(), data.size(), th), last);
    }
}

TEST(FastPath, WholeBlocksMeasureLikeFrameByFrameFeeding) {
    // 33: 32-bit float.
    for (int32_t kind : {8, 16, 24, 32, 33}) {
        const int32_t bits = std::min(kind, 32);
        const bool isFloat = kind == 33;
        for (int32_t channels : {1, 2, 6}) {
            SCOPED_TRACE(testing::Message() << kind << "-bit " << channels << "ch");
            const int64_t blockFrames = 2400, blocks = 11; // 8000 Hz
            const size_t width = size_t(bits / 8);
            std::vector<uint8_t> data =
                RandomSamples(bits, size_t(blocks * blockFrames * channels), uint32_t(bits * 3));
            // Loud blocks (24-bit: serial sums, four side by side in blocks 0 to 3), quiet
            // blocks 5 and 9 (exact sums throughout), silence at both ends.
            for (int64_t f = 0; f < blocks * blockFrames; ++f) {
                const bool silent = f < 300 || f > 25000;
                const bool quiet = f / blockFrames == 5 || f / blockFrames == 9;
                for (int32_t c = 0; c < channels; ++c) {
                    uint8_t* p = &data[size_t(f * channels + c) * width];
                    if (silent) std::memset(p, bits == 8 ? 128 : 0, width);
                    if (quiet && !silent && width > 1 && !isFloat)
                        p[width - 1] = (p[0] & 1) ? 0xFF : 0x00;
                    if (isFloat) {
                        int32_t v;
                        std::memcpy(&v, p, 4);
                        const float x = float(v) / 2147483648.0f * (quiet ? 1e-4f : 1.0f);
                        std::memcpy(p, &x, 4);
                    }
                }
            }
            const auto setUp = [&](FirstPass& pPass) {
                pPass.BitsPerSample = bits;
                pPass.Channels = channels;
                pPass.Trim = true;
                pPass.ThIn = pPass.ThOut = FullScale(bits) / 100;
                pPass.Float = isFloat;
                pPass.WideThIn = pPass.WideThOut = isFloat ? 0.01 : 21474836.0;
                pPass.BlockFrames = blockFrames;
            };
            FirstPass whole, pieces;
            setUp(whole);
            setUp(pieces);
            int64_t done = 0;
            whole.FeedBlocks(data.data(), blocks, 0, [&] { ++done; });
            whole.Finish();
            EXPECT_EQ(done, blocks);
            for (int64_t b = 0; b < blocks; ++b) {
                for (int64_t f = 0; f < blockFrames;) {
                    const int64_t n = std::min<int64_t>(blockFrames - f, 777);
                    const int64_t first = b * blockFrames + f;
                    pieces.Feed(data.data() + size_t(first * channels) * width, n, first);
                    f += n;
                }
                pieces.EndBlock();
            }
            pieces.Finish();
            EXPECT_EQ(whole.TotalSumSq, pieces.TotalSumSq);
            EXPECT_EQ(whole.MaxBlockRms, pieces.MaxBlockRms);
            EXPECT_EQ(whole.NormRms, pieces.NormRms);
            EXPECT_EQ(whole.Peak(), pieces.Peak());
            EXPECT_EQ(whole.FirstSound, pieces.FirstSound);
            EXPECT_EQ(whole.LastSound, pieces.LastSound);
            EXPECT_GE(whole.FirstSound, 300); // the silent ends are trimmed
            EXPECT_LE(whole.LastSound, 25000);
            EXPECT_GT(whole.LastSound, whole.FirstSound);
        }
    }
}
