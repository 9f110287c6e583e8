#include "engine/UnitSums.h"

#include <cmath>
#include <cstring>

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define QUILLAN_UNIT_KERNELS 1
#else
#define QUILLAN_UNIT_KERNELS 0
#endif

namespace {
constexpr double kTwo52 = 4503599627370496.0;
} // namespace

bool SquareInUnits(double pSquare, int32_t pScaleExp, uint64_t& pUnits) {
    const double x = std::ldexp(pSquare, pScaleExp); // exact: a power of two
    if (!(x < kTwo52)) return false;
    const double r = (x + kTwo52) - kTwo52; // the nearest integer (x >= 0)
    const double d = x - r;
    if (d == 0.5 || d == -0.5) return false;
    pUnits = uint64_t(r);
    return true;
}

#if QUILLAN_UNIT_KERNELS
namespace {

// Four integer squares in units: the largest distance to the nearest integer into
// pMaxFraction (0.5 only for a tie), the bit patterns of x + 2^52 (2^52 + the nearest integer)
// added to pBits.
__attribute__((target("avx2"))) inline void AddUnits4(__m128i pSquares, __m256d pFactor,
                                                      __m256d& pMaxFraction, __m256i& pBits) {
    const __m256d two52 = _mm256_set1_pd(kTwo52);
    const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFFLL));
    const __m256d x = _mm256_mul_pd(_mm256_cvtepi32_pd(pSquares), pFactor);
    const __m256d shifted = _mm256_add_pd(x, two52);
    const __m256d fraction = _mm256_sub_pd(x, _mm256_sub_pd(shifted, two52));
    pMaxFraction = _mm256_max_pd(pMaxFraction, _mm256_and_pd(fraction, absMask));
    pBits = _mm256_add_epi64(pBits, _mm256_castpd_si256(shifted));
}

// Eight samples at a time. The square of sample * scale rounded in double is the product
// of the integer square and scale^2 (exact in double: the scale is a float) rounded once, and
// the power of two of the units goes into that factor. Units by the 2^52 rounding trick; the
// largest possible term is checked below 2^52 units before.
__attribute__((target("avx2"))) UnitSum SumUnits16Avx2(const uint8_t* pData, size_t pCount,
                                                       double pFactor, uint64_t& pUnits) {
    const __m256d factor = _mm256_set1_pd(pFactor);
    __m256d maxFraction = _mm256_setzero_pd(); // 0.5 only for a tie
    __m256i bits = _mm256_setzero_si256();     // the sum of the shifted values' bit patterns
    size_t i = 0;
    for (; i + 8 <= pCount; i += 8) {
        const __m256i v =
            _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pData + 2 * i)));
        const __m256i squares = _mm256_mullo_epi32(v, v);
        AddUnits4(_mm256_castsi256_si128(squares), factor, maxFraction, bits);
        AddUnits4(_mm256_extracti128_si256(squares, 1), factor, maxFraction, bits);
    }
    double fractions[4];
    _mm256_storeu_pd(fractions, maxFraction);
    for (double f : fractions)
        if (f == 0.5) return UnitSum::NoUnits;
    uint64_t lanes[4];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), bits);
    uint64_t twoBits;
    std::memcpy(&twoBits, &kTwo52, 8);
    uint64_t total = lanes[0] + lanes[1] + lanes[2] + lanes[3] - uint64_t(i) * twoBits;
    for (; i < pCount; ++i) {
        int16_t s;
        std::memcpy(&s, pData + 2 * i, 2);
        const double x = double(int32_t(s) * int32_t(s)) * pFactor;
        const double r = (x + kTwo52) - kTwo52;
        if (std::fabs(x - r) == 0.5) return UnitSum::NoUnits;
        total += uint64_t(r);
    }
    pUnits = total;
    return UnitSum::Summed;
}

} // namespace
#endif

UnitSum SumUnits16(const uint8_t* pData, size_t pCount, double pScale, int32_t pScaleExp,
                   uint64_t& pUnits) {
#if QUILLAN_UNIT_KERNELS
    static const bool haveAvx2 = __builtin_cpu_supports("avx2");
    // scale^2 * 2^pScaleExp, exact and normal, and the largest term (magnitude 32768) below
    // 2^52 units.
    const double factor = std::ldexp(pScale * pScale, pScaleExp);
    if (haveAvx2 && pScaleExp > -900 && pScaleExp < 900 && factor * 1073741824.0 < kTwo52)
        return SumUnits16Avx2(pData, pCount, factor, pUnits);
#else
    (void)pData, (void)pCount, (void)pScale, (void)pScaleExp, (void)pUnits;
#endif
    return UnitSum::NoKernel;
}
