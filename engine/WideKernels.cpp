#include "engine/WideKernels.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#define QUILLAN_WIDE_X86 1
#else
#define QUILLAN_WIDE_X86 0
#endif

namespace {

constexpr double kTop32 = 2147483647.0;
constexpr double kTopFloat = double(std::numeric_limits<float>::max());

inline float LoadFloat(const uint8_t* pData, size_t pI) {
    float v;
    std::memcpy(&v, pData + 4 * pI, 4);
    return v;
}
inline int32_t LoadInt(const uint8_t* pData, size_t pI) {
    int32_t v;
    std::memcpy(&v, pData + 4 * pI, 4);
    return v;
}

inline bool AboveWide(double pV, double pTh) {
    return std::fabs(pV) > pTh;
}

int64_t FirstAboveFrom(bool pFloat, const uint8_t* pData, size_t pI, size_t pCount, double pTh) {
    for (; pI < pCount; ++pI)
        if (AboveWide(WideValue(pFloat, pData, pI), pTh)) return int64_t(pI);
    return -1;
}

int64_t LastAboveBefore(bool pFloat, const uint8_t* pData, size_t pI, double pTh) {
    while (pI-- > 0)
        if (AboveWide(WideValue(pFloat, pData, pI), pTh)) return int64_t(pI);
    return -1;
}

#if defined(__SSE2__)
inline __m128i Load4(const uint8_t* pData, size_t pI) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(pData + 4 * pI));
}
inline __m128 AbsFloat4(const uint8_t* pData, size_t pI) {
    return _mm_and_ps(_mm_castsi128_ps(Load4(pData, pI)),
                      _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
}

// Samples of a step of four above the threshold, as a 4-bit mask. The float threshold must be
// the double one exactly; the integer one a whole number below 2^31.
inline int MaskAboveFloat(const uint8_t* pData, size_t pI, __m128 pTh) {
    return _mm_movemask_ps(_mm_cmpgt_ps(AbsFloat4(pData, pI), pTh));
}
inline int MaskAboveInt(const uint8_t* pData, size_t pI, __m128i pHi, __m128i pLo) {
    const __m128i x = Load4(pData, pI);
    return _mm_movemask_ps(
        _mm_castsi128_ps(_mm_or_si128(_mm_cmpgt_epi32(x, pHi), _mm_cmplt_epi32(x, pLo))));
}

// Whether the vector search can use the threshold, and the mask of a step.
struct WideMask {
    bool Usable = false;
    bool Float = false;
    __m128 ThF = _mm_setzero_ps();
    __m128i Hi = _mm_setzero_si128(), Lo = _mm_setzero_si128();

    WideMask(bool pFloat, double pTh) : Float(pFloat) {
        if (pFloat) {
            Usable = double(float(pTh)) == pTh;
            ThF = _mm_set1_ps(float(pTh));
        } else {
            Usable = pTh >= 0.0 && pTh < 2147483648.0 && std::nearbyint(pTh) == pTh;
            const int32_t th = Usable ? int32_t(pTh) : 0;
            Hi = _mm_set1_epi32(th);
            Lo = _mm_set1_epi32(-th);
        }
    }
    int At(const uint8_t* pData, size_t pI) const {
        return Float ? MaskAboveFloat(pData, pI, ThF) : MaskAboveInt(pData, pI, Hi, Lo);
    }
};
#endif

#if QUILLAN_WIDE_X86
bool HaveSse41() {
    static const bool have = __builtin_cpu_supports("sse4.1");
    return have;
}

// The largest integer magnitude as unsigned lanes (|-2^31| is 2^31 there).
__attribute__((target("sse4.1"))) size_t IntPeakSse41(const uint8_t* pData, size_t pCount,
                                                      uint32_t& pPeak) {
    __m128i vmax = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 4 <= pCount; i += 4)
        vmax = _mm_max_epu32(vmax, _mm_abs_epi32(Load4(pData, i)));
    uint32_t lanes[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), vmax);
    pPeak = std::max({pPeak, lanes[0], lanes[1], lanes[2], lanes[3]});
    return i;
}

// The largest float magnitude as a bit pattern, eight samples per step.
__attribute__((target("sse4.1"))) size_t FloatBitsPeakSse41(const uint8_t* pData, size_t pCount,
                                                            uint32_t& pTop) {
    const __m128i magnitude = _mm_set1_epi32(0x7FFFFFFF);
    __m128i a = _mm_setzero_si128(), b = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 8 <= pCount; i += 8) {
        a = _mm_max_epi32(a, _mm_and_si128(Load4(pData, i), magnitude));
        b = _mm_max_epi32(b, _mm_and_si128(Load4(pData, i + 4), magnitude));
    }
    uint32_t lanes[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), _mm_max_epi32(a, b));
    pTop = std::max({pTop, lanes[0], lanes[1], lanes[2], lanes[3]});
    return i;
}
#endif

} // namespace

int64_t FirstNonFinite(const uint8_t* pData, size_t pCount) {
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen samples per step; a step that holds one is searched by the plain loop.
    const __m128i exponent = _mm_set1_epi32(0x7F800000);
    auto full = [&](size_t pAt) {
        return _mm_cmpeq_epi32(_mm_and_si128(Load4(pData, pAt), exponent), exponent);
    };
    for (; i + 16 <= pCount; i += 16) {
        const __m128i any = _mm_or_si128(_mm_or_si128(full(i), full(i + 4)),
                                         _mm_or_si128(full(i + 8), full(i + 12)));
        if (_mm_movemask_epi8(any) != 0) break;
    }
#endif
    for (; i < pCount; ++i)
        if (!std::isfinite(LoadFloat(pData, i))) return int64_t(i);
    return -1;
}

double WidePeak(bool pFloat, const uint8_t* pData, size_t pCount, double pPeak) {
    size_t i = 0;
    if (pFloat) {
        // Magnitudes as their bit patterns: ordered as the values, and NaN and infinities
        // above every finite one.
        uint32_t top = 0;
#if QUILLAN_WIDE_X86
        if (HaveSse41()) i = FloatBitsPeakSse41(pData, pCount, top);
#endif
        for (; i < pCount; ++i) {
            uint32_t bits;
            std::memcpy(&bits, pData + 4 * i, 4);
            top = std::max(top, bits & 0x7FFFFFFFu);
        }
        if (top >= 0x7F800000u) return std::numeric_limits<double>::infinity();
        float peak;
        std::memcpy(&peak, &top, 4);
        return std::max(pPeak, double(peak));
    }
#if QUILLAN_WIDE_X86
    if (HaveSse41()) {
        uint32_t peak = 0;
        i = IntPeakSse41(pData, pCount, peak);
        pPeak = std::max(pPeak, double(peak));
    }
#endif
    for (; i < pCount; ++i)
        pPeak = std::max(pPeak, std::fabs(WideValue(pFloat, pData, i)));
    return pPeak;
}

double AddWideSquares(bool pFloat, const uint8_t* pData, size_t pCount, double pSum) {
    if (pFloat) {
        for (size_t i = 0; i < pCount; ++i) {
            const double v = LoadFloat(pData, i);
            pSum += v * v;
        }
    } else {
        for (size_t i = 0; i < pCount; ++i) {
            const double v = LoadInt(pData, i);
            pSum += v * v;
        }
    }
    return pSum;
}

namespace {
// Four chains of additions side by side: each still adds its squares in order, but the
// processor overlaps the four.
template <typename Load>
void AddSquaresX4(const uint8_t* const pData[4], size_t pCount, double pSums[4], Load pLoad) {
    double s0 = pSums[0], s1 = pSums[1], s2 = pSums[2], s3 = pSums[3];
    for (size_t i = 0; i < pCount; ++i) {
        const double v0 = pLoad(pData[0], i), v1 = pLoad(pData[1], i);
        const double v2 = pLoad(pData[2], i), v3 = pLoad(pData[3], i);
        s0 += v0 * v0;
        s1 += v1 * v1;
        s2 += v2 * v2;
        s3 += v3 * v3;
    }
    pSums[0] = s0;
    pSums[1] = s1;
    pSums[2] = s2;
    pSums[3] = s3;
}
} // namespace

void AddWideSquaresX4(bool pFloat, const uint8_t* const pData[4], size_t pCount, double pSums[4]) {
    if (pFloat)
        AddSquaresX4(pData, pCount, pSums,
                     [](const uint8_t* pD, size_t pI) { return double(LoadFloat(pD, pI)); });
    else
        AddSquaresX4(pData, pCount, pSums,
                     [](const uint8_t* pD, size_t pI) { return double(LoadInt(pD, pI)); });
}

int64_t FirstAboveWide(bool pFloat, const uint8_t* pData, size_t pCount, double pTh) {
    size_t i = 0;
#if defined(__SSE2__)
    const WideMask mask(pFloat, pTh);
    if (mask.Usable) {
        for (; i + 4 <= pCount; i += 4)
            if (int m = mask.At(pData, i)) return int64_t(i) + __builtin_ctz(unsigned(m));
    }
#endif
    return FirstAboveFrom(pFloat, pData, i, pCount, pTh);
}

int64_t LastAboveWide(bool pFloat, const uint8_t* pData, size_t pCount, double pTh) {
    size_t i = pCount;
#if defined(__SSE2__)
    const WideMask mask(pFloat, pTh);
    if (mask.Usable) {
        for (; i >= 4; i -= 4)
            if (int m = mask.At(pData, i - 4))
                return int64_t(i) - 4 + 31 - __builtin_clz(unsigned(m));
    }
#endif
    return LastAboveBefore(pFloat, pData, i, pTh);
}

int32_t Convert32(int32_t pSample, double pA) {
    const double v = double(pSample) * pA;
    if (std::fabs(v) >= kTop32) return v < 0.0 ? -2147483647 : 2147483647;
    return int32_t(std::nearbyint(v));
}

float ConvertFloat(float pSample, double pA, bool pClip) {
    const double top = pClip ? 1.0 : kTopFloat;
    return float(std::clamp(double(pSample) * pA, -top, top));
}

void ScaleSamples32(uint8_t* pData, size_t pCount, const double pA[2]) {
    size_t i = 0;
#if defined(__SSE2__)
    // Two samples per double vector; clamping before the conversion gives +-2147483647 for
    // every |v| >= 2147483647, and the conversion rounds half to even.
    const __m128d f = _mm_setr_pd(pA[0], pA[1]);
    const __m128d top = _mm_set1_pd(kTop32), bottom = _mm_set1_pd(-kTop32);
    for (; i + 4 <= pCount; i += 4) {
        __m128i* q = reinterpret_cast<__m128i*>(pData + 4 * i);
        const __m128i x = _mm_loadu_si128(q);
        __m128d lo = _mm_mul_pd(_mm_cvtepi32_pd(x), f);
        __m128d hi = _mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(x, 8)), f);
        lo = _mm_min_pd(_mm_max_pd(lo, bottom), top);
        hi = _mm_min_pd(_mm_max_pd(hi, bottom), top);
        _mm_storeu_si128(q, _mm_unpacklo_epi64(_mm_cvtpd_epi32(lo), _mm_cvtpd_epi32(hi)));
    }
#endif
    for (; i < pCount; ++i) {
        const int32_t r = Convert32(LoadInt(pData, i), pA[i % 2]);
        std::memcpy(pData + 4 * i, &r, 4);
    }
}

void ScaleSamplesFloat(uint8_t* pData, size_t pCount, const double pA[2], bool pClip) {
    size_t i = 0;
#if defined(__SSE2__)
    // Two samples per double vector, as ConvertFloat: product and limit in double, then one
    // conversion to single.
    const __m128d f = _mm_setr_pd(pA[0], pA[1]);
    const double limit = pClip ? 1.0 : kTopFloat;
    const __m128d top = _mm_set1_pd(limit), bottom = _mm_set1_pd(-limit);
    const auto scale = [&](__m128 pTwo) {
        return _mm_cvtpd_ps(_mm_min_pd(_mm_max_pd(_mm_mul_pd(_mm_cvtps_pd(pTwo), f), bottom), top));
    };
    for (; i + 4 <= pCount; i += 4) {
        float* q = reinterpret_cast<float*>(pData + 4 * i);
        const __m128 x = _mm_loadu_ps(q);
        _mm_storeu_ps(q, _mm_movelh_ps(scale(x), scale(_mm_movehl_ps(x, x))));
    }
#endif
    for (; i < pCount; ++i) {
        const float r = ConvertFloat(LoadFloat(pData, i), pA[i % 2], pClip);
        std::memcpy(pData + 4 * i, &r, 4);
    }
}
