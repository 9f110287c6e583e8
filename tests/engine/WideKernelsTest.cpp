// The vector kernels of 32-bit samples (integers and floats) against their plain loops: the
// same bytes, indices and sums to the bit, at every length and offset around the vector steps.

#include "engine/WideKernels.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

// Random 32-bit samples with the extremes mixed in: INT_MIN and INT_MAX, or for floats
// +-1, values above 1, tiny and subnormal values and halves that round to even.
std::vector<uint8_t> RandomWide(bool pFloat, size_t pCount, uint32_t pSeed) {
    std::mt19937 rng(pSeed);
    std::vector<uint8_t> b(pCount * 4);
    for (size_t i = 0; i < pCount; ++i) {
        const uint32_t pick = rng() % 10;
        if (pFloat) {
            const float pool[] = {1.0f, -1.0f, 1.75f, -3.5e5f, 1e-40f, -0.0f, 0.0f, FLT_MAX};
            float v = pick < 8 ? pool[pick] : std::ldexp(float(int32_t(rng())), -31);
            std::memcpy(&b[4 * i], &v, 4);
        } else {
            const int32_t pool[] = {INT_MIN, INT_MAX, 0, -1, INT_MIN + 1, 1 << 24, -(1 << 30), 7};
            int32_t v = pick < 8 ? pool[pick] : int32_t(rng());
            std::memcpy(&b[4 * i], &v, 4);
        }
    }
    return b;
}

// The last row drives every float sample past the largest finite float.
const double kFactors[][2] = {{1.0, 1.0},        {0.5, 2.0},       {1.3333334, 0.70710677},
                              {1e-3, 1e3},       {3.0000002, 1.0}, {0.0, 1.0000000000000002},
                              {8.0, 0.99999994}, {1e40, 1e100}};

TEST(WideKernels, ScalingGivesTheBytesOfThePlainFormulas) {
    for (bool isFloat : {false, true}) {
        for (size_t count : {0u, 1u, 3u, 4u, 5u, 7u, 8u, 9u, 63u, 1001u}) {
            const std::vector<uint8_t> source = RandomWide(isFloat, count, uint32_t(count) + 7);
            for (const auto& a : kFactors) {
                for (bool clip : {false, true}) {
                    std::vector<uint8_t> fast = source, plain = source;
                    if (isFloat)
                        ScaleSamplesFloat(fast.data(), count, a, clip);
                    else
                        ScaleSamples32(fast.data(), count, a);
                    for (size_t i = 0; i < count; ++i) {
                        if (isFloat) {
                            float v;
                            std::memcpy(&v, &plain[4 * i], 4);
                            v = ConvertFloat(v, a[i % 2], clip);
                            std::memcpy(&plain[4 * i], &v, 4);
                        } else {
                            int32_t v;
                            std::memcpy(&v, &plain[4 * i], 4);
                            v = Convert32(v, a[i % 2]);
                            std::memcpy(&plain[4 * i], &v, 4);
                        }
                    }
                    EXPECT_TRUE(fast == plain) << isFloat << " " << count << " " << a[0];
                }
            }
        }
    }
}

TEST(WideKernels, PlainConversionsFollowTheRules) {
    const float top = std::numeric_limits<float>::max();
    // Integers: one rounding in double, half to even, never -2^31.
    EXPECT_EQ(Convert32(3, 0.5), 2);
    EXPECT_EQ(Convert32(5, 0.5), 2);
    EXPECT_EQ(Convert32(INT_MIN, 1.0), -INT_MAX);
    EXPECT_EQ(Convert32(INT_MAX, 1.0), INT_MAX);
    EXPECT_EQ(Convert32(INT_MAX - 1, 1.0), INT_MAX - 1); // single precision would round it
    EXPECT_EQ(Convert32(1 << 30, 4.0), INT_MAX);
    EXPECT_EQ(Convert32(1000000000, 2.147483647), INT_MAX); // a double factor, not a single
    EXPECT_EQ(Convert32(-7, 1e100), -INT_MAX);
    // Floats: product in double, one rounding to single; beyond 1 kept unless clipped, never
    // past the largest finite float.
    EXPECT_EQ(ConvertFloat(0.75f, 2.0, false), 1.5f);
    EXPECT_EQ(ConvertFloat(0.75f, 2.0, true), 1.0f);
    EXPECT_EQ(ConvertFloat(-0.75f, 2.0, true), -1.0f);
    EXPECT_EQ(ConvertFloat(0.1f, 3.0, false), 0.1f * 3.0f);
    EXPECT_EQ(ConvertFloat(4.0f, 1e38, false), top);
    EXPECT_EQ(ConvertFloat(-3e38f, 100.0, false), -top);
    EXPECT_EQ(ConvertFloat(0.0f, 1e100, false), 0.0f);
}

TEST(WideKernels, PeaksSumsAndSearchesMatchThePlainLoops) {
    for (bool isFloat : {false, true}) {
        for (size_t count : {0u, 1u, 3u, 4u, 5u, 8u, 13u, 257u, 4099u}) {
            const std::vector<uint8_t> b = RandomWide(isFloat, count, uint32_t(count) * 3 + 1);
            double peak = 0.0, sum = 0.25;
            for (size_t i = 0; i < count; ++i) {
                const double v = WideValue(isFloat, b.data(), i);
                peak = std::max(peak, std::fabs(v));
                sum += v * v;
            }
            EXPECT_EQ(WidePeak(isFloat, b.data(), count, 0.0), peak);
            EXPECT_EQ(WidePeak(isFloat, b.data(), count, 1e300), 1e300);
            EXPECT_EQ(AddWideSquares(isFloat, b.data(), count, 0.25), sum);

            // Four runs side by side: each as its own serial sum.
            const uint8_t* runs[4] = {b.data(), b.data(), b.data(), b.data()};
            double sums[4] = {0.25, 1.0, 0.0, 3.5};
            const size_t quarter = count / 4;
            for (int j = 0; j < 4; ++j)
                runs[j] = b.data() + 4 * quarter * size_t(j);
            double want[4];
            for (int j = 0; j < 4; ++j)
                want[j] = AddWideSquares(isFloat, runs[j], quarter, sums[j]);
            AddWideSquaresX4(isFloat, runs, quarter, sums);
            for (int j = 0; j < 4; ++j)
                EXPECT_EQ(sums[j], want[j]);

            const double thresholds[] = {0.0,          1.0,          0.5, 1e-30, 1.5e9,
                                         2147483647.0, 2147483648.0, 0.1, 1000.5};
            for (double th : thresholds) {
                int64_t first = -1, last = -1;
                for (size_t i = 0; i < count; ++i) {
                    if (std::fabs(WideValue(isFloat, b.data(), i)) > th) {
                        if (first < 0) first = int64_t(i);
                        last = int64_t(i);
                    }
                }
                EXPECT_EQ(FirstAboveWide(isFloat, b.data(), count, th), first) << th;
                EXPECT_EQ(LastAboveWide(isFloat, b.data(), count, th), last) << th;
            }
        }
    }
}

TEST(WideKernels, NonFiniteSamplesAreFoundWherever) {
    for (size_t count : {1u, 4u, 5u, 17u, 40u}) {
        for (size_t at = 0; at < count; ++at) {
            for (float bad :
                 {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                  -std::numeric_limits<float>::infinity()}) {
                std::vector<uint8_t> b = RandomWide(true, count, 5);
                EXPECT_EQ(FirstNonFinite(b.data(), count), -1);
                std::memcpy(&b[4 * at], &bad, 4);
                EXPECT_EQ(FirstNonFinite(b.data(), count), int64_t(at));
                EXPECT_EQ(WidePeak(true, b.data(), count, 0.0),
                          std::numeric_limits<double>::infinity());
            }
        }
    }
}

} // namespace
