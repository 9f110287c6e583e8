#pragma once

// Inner loops over 32-bit samples: signed integers and IEEE single-precision floats,
// little-endian. Every value is handled as a double (exact for both), so one set of formulas
// serves both encodings:
// - a square is double(v) * double(v) (exact for floats, one rounding for integers) and squares
//   are added one by one, in sample order;
// - a magnitude is compared with a threshold as a double;
// - a sample is scaled by a double factor in double; an integer result is limited to
//   +-2147483647 and rounded half to even, a float result limited to +-1 with Clip and to the
//   largest finite float without (never an infinity), then rounded to single.
// The vector code gives exactly the result of the plain loops.

#include <cstddef>
#include <cstdint>
#include <cstring>

// Sample pI of a flat array as a double.
inline double WideValue(bool pFloat, const uint8_t* pData, size_t pI) {
    if (pFloat) {
        float v;
        std::memcpy(&v, pData + 4 * pI, 4);
        return double(v);
    }
    int32_t v;
    std::memcpy(&v, pData + 4 * pI, 4);
    return double(v);
}

// Index of the first float sample that is NaN or infinite, or -1.
int64_t FirstNonFinite(const uint8_t* pData, size_t pCount);

// The largest magnitude of pCount samples, at least pPeak; infinity when a float sample is NaN
// or infinite.
double WidePeak(bool pFloat, const uint8_t* pData, size_t pCount, double pPeak);
// pSum plus the squares of pCount samples, added in order.
double AddWideSquares(bool pFloat, const uint8_t* pData, size_t pCount, double pSum);
// AddWideSquares on four independent runs at once (pSums[j] continues over pData[j]).
void AddWideSquaresX4(bool pFloat, const uint8_t* const pData[4], size_t pCount, double pSums[4]);

// Index of the first / last sample whose magnitude is above pTh (pTh >= 0), or -1.
int64_t FirstAboveWide(bool pFloat, const uint8_t* pData, size_t pCount, double pTh);
int64_t LastAboveWide(bool pFloat, const uint8_t* pData, size_t pCount, double pTh);

// One sample through the factor a (plain formulas).
int32_t Convert32(int32_t pSample, double pA);
float ConvertFloat(float pSample, double pA, bool pClip);

// In place; a[0] for even, a[1] for odd sample indices (left, right).
void ScaleSamples32(uint8_t* pData, size_t pCount, const double pA[2]);
void ScaleSamplesFloat(uint8_t* pData, size_t pCount, const double pA[2], bool pClip);
