#include "engine/SampleKernels.h"

#include "engine/WaveMMIO.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

// Kernels for later x86 extensions, picked at run time by what the processor supports.
#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#define QUILLAN_X86_KERNELS 1
#else
#define QUILLAN_X86_KERNELS 0
#endif

#if QUILLAN_X86_KERNELS
namespace {
bool HaveAvx2();
__attribute__((target("avx2"))) size_t ScanChunk16Avx2(const uint8_t* pData, size_t pCount,
                                                       int32_t& pHi, int32_t& pLo, uint64_t& pSum);
} // namespace
#endif

namespace {

inline bool Above(int32_t pV, int32_t pTh) {
    return pV > pTh || pV < -pTh;
}

// Sample values above the threshold, as a byte mask of 16 bytes.
#if defined(__SSE2__)
inline int MaskAbove16(const uint8_t* pData, __m128i pHi, __m128i pLo) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pData));
    return _mm_movemask_epi8(_mm_or_si128(_mm_cmpgt_epi16(x, pHi), _mm_cmplt_epi16(x, pLo)));
}
inline int MaskAbove8(const uint8_t* pData, __m128i pHi, __m128i pLo) {
    const __m128i x = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pData)),
                                    _mm_set1_epi8(-128));
    return _mm_movemask_epi8(_mm_or_si128(_mm_cmpgt_epi8(x, pHi), _mm_cmplt_epi8(x, pLo)));
}
inline uint64_t SumLanes64(__m128i pV) {
    uint64_t lanes[2];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), pV);
    return lanes[0] + lanes[1];
}
#endif

// Signed sample values of the three widths, by sample index.
// The 8- and 16-bit ones also give the SSE2 threshold search its lanes: a 16-byte step
// holds Lanes samples, and thresholds up to Top fit a lane.
struct Samples8 {
    static int32_t At(const uint8_t* pData, size_t pI) { return int32_t(pData[pI]) - 128; }
#if defined(__SSE2__)
    static constexpr size_t Bytes = 1, Lanes = 16;
    static constexpr int32_t Top = 127;
    static __m128i Splat(int32_t pV) {
        return _mm_set1_epi8(char(pV));
    }
    static int Mask(const uint8_t* pData, __m128i pHi, __m128i pLo) {
        return MaskAbove8(pData, pHi, pLo);
    }
#endif
};
struct Samples16 {
    static int32_t At(const uint8_t* pData, size_t pI) { return Load16(pData + 2 * pI); }
#if defined(__SSE2__)
    static constexpr size_t Bytes = 2, Lanes = 8;
    static constexpr int32_t Top = 32767;
    static __m128i Splat(int32_t pV) {
        return _mm_set1_epi16(int16_t(pV));
    }
    static int Mask(const uint8_t* pData, __m128i pHi, __m128i pLo) {
        return MaskAbove16(pData, pHi, pLo);
    }
#endif
};
struct Samples24 {
    static int32_t At(const uint8_t* pData, size_t pI) { return Unpack24(pData + 3 * pI); }
};

// The plain loops behind the vector code: they finish whatever the vector steps leave.
// Sum is uint64_t for the exact sums and double for the ordered ones.
template <class S, class Sum>
inline Sum ScanFrom(const uint8_t* pData, size_t pI, size_t pCount, int32_t& pHi, int32_t& pLo,
                    Sum pSum) {
    for (; pI < pCount; ++pI) {
        const int32_t v = S::At(pData, pI);
        pHi = std::max(pHi, v);
        pLo = std::min(pLo, v);
        pSum += Sum(int64_t(v) * v);
    }
    return pSum;
}

template <class S> inline double AddSquares(const uint8_t* pData, size_t pCount, double pSum) {
    for (size_t i = 0; i < pCount; ++i) {
        const int64_t v = S::At(pData, i);
        pSum += double(v * v);
    }
    return pSum;
}

template <class S>
inline int64_t FirstAboveFrom(const uint8_t* pData, size_t pI, size_t pCount, int32_t pTh) {
    for (; pI < pCount; ++pI)
        if (Above(S::At(pData, pI), pTh)) return int64_t(pI);
    return -1;
}

// Searches the samples before index i, backwards.
template <class S> inline int64_t LastAboveBefore(const uint8_t* pData, size_t pI, int32_t pTh) {
    while (pI-- > 0)
        if (Above(S::At(pData, pI), pTh)) return int64_t(pI);
    return -1;
}

// The threshold search over 8- or 16-bit samples, a 16-byte step at a time where SSE2 is
// there (the mask has Bytes bits per sample), the plain loop for the rest.
template <class S> int64_t FirstAboveLanes(const uint8_t* pData, size_t pCount, int32_t pTh) {
    size_t i = 0;
#if defined(__SSE2__)
    if (pTh <= S::Top) {
        const __m128i hi = S::Splat(pTh), lo = S::Splat(-pTh);
        for (; i + S::Lanes <= pCount; i += S::Lanes)
            if (int m = S::Mask(pData + S::Bytes * i, hi, lo))
                return int64_t(i) + int64_t(__builtin_ctz(unsigned(m)) / S::Bytes);
    }
#endif
    return FirstAboveFrom<S>(pData, i, pCount, pTh);
}

template <class S> int64_t LastAboveLanes(const uint8_t* pData, size_t pCount, int32_t pTh) {
    size_t i = pCount;
#if defined(__SSE2__)
    if (pTh <= S::Top) {
        const __m128i hi = S::Splat(pTh), lo = S::Splat(-pTh);
        for (; i >= S::Lanes; i -= S::Lanes)
            if (int m = S::Mask(pData + S::Bytes * (i - S::Lanes), hi, lo))
                return int64_t(i - S::Lanes) +
                       int64_t((31 - __builtin_clz(unsigned(m))) / S::Bytes);
    }
#endif
    return LastAboveBefore<S>(pData, i, pTh);
}

} // namespace

uint64_t ScanChunk8(const uint8_t* pData, size_t pCount, int32_t& pMaxV, int32_t& pMinV) {
    uint64_t sum = 0;
    int32_t hi = pMaxV, lo = pMinV;
    size_t i = 0;
#if defined(__SSE2__)
    // Unsigned bytes: max / min of the raw bytes, squares of (byte - 128) in 32-bit lanes
    // (at most 4 * 2 * 16384 per lane and step, 256 steps per chunk).
    __m128i vmax = _mm_set1_epi8(char(uint8_t(std::clamp(hi + 128, 0, 255))));
    __m128i vmin = _mm_set1_epi8(char(uint8_t(std::clamp(lo + 128, 0, 255))));
    __m128i acc = _mm_setzero_si128();
    const __m128i zero = _mm_setzero_si128(), bias = _mm_set1_epi16(128);
    for (; i + 16 <= pCount; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pData + i));
        vmax = _mm_max_epu8(vmax, x);
        vmin = _mm_min_epu8(vmin, x);
        const __m128i l = _mm_sub_epi16(_mm_unpacklo_epi8(x, zero), bias);
        const __m128i h = _mm_sub_epi16(_mm_unpackhi_epi8(x, zero), bias);
        acc = _mm_add_epi32(acc, _mm_add_epi32(_mm_madd_epi16(l, l), _mm_madd_epi16(h, h)));
    }
    uint8_t mx[16], mn[16];
    uint32_t s[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(mx), vmax);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(mn), vmin);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(s), acc);
    for (int k = 0; k < 16; ++k) {
        hi = std::max(hi, int32_t(mx[k]) - 128);
        lo = std::min(lo, int32_t(mn[k]) - 128);
    }
    sum = uint64_t(s[0]) + s[1] + s[2] + s[3];
#endif
    sum = ScanFrom<Samples8>(pData, i, pCount, hi, lo, sum);
    pMaxV = hi;
    pMinV = lo;
    return sum;
}

uint64_t ScanChunk16(const uint8_t* pData, size_t pCount, int32_t& pMaxV, int32_t& pMinV) {
    uint64_t sum = 0;
    int32_t hi = std::clamp(pMaxV, -32768, 32767), lo = std::clamp(pMinV, -32768, 32767);
    size_t i = 0;
#if QUILLAN_X86_KERNELS
    if (HaveAvx2()) i = ScanChunk16Avx2(pData, pCount, hi, lo, sum);
#endif
#if defined(__SSE2__)
    // madd gives a0^2 + a1^2, at most 2^31: exact when read as unsigned.
    __m128i vmax = _mm_set1_epi16(int16_t(hi)), vmin = _mm_set1_epi16(int16_t(lo));
    __m128i acc = _mm_setzero_si128();
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= pCount; i += 8) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pData + 2 * i));
        vmax = _mm_max_epi16(vmax, x);
        vmin = _mm_min_epi16(vmin, x);
        const __m128i sq = _mm_madd_epi16(x, x);
        acc = _mm_add_epi64(acc, _mm_unpacklo_epi32(sq, zero));
        acc = _mm_add_epi64(acc, _mm_unpackhi_epi32(sq, zero));
    }
    int16_t mx[8], mn[8];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(mx), vmax);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(mn), vmin);
    for (int k = 0; k < 8; ++k) {
        hi = std::max(hi, int32_t(mx[k]));
        lo = std::min(lo, int32_t(mn[k]));
    }
    sum += SumLanes64(acc);
#endif
    sum = ScanFrom<Samples16>(pData, i, pCount, hi, lo, sum);
    pMaxV = hi;
    pMinV = lo;
    return sum;
}

#if QUILLAN_X86_KERNELS
namespace {

// Packed 24-bit samples to 32-bit lanes: four samples (12 bytes) into the top three bytes
// of each lane, to be shifted down with their sign.
__attribute__((target("ssse3"))) inline __m128i Unpack24x4(const uint8_t* pData) {
    const __m128i order = _mm_setr_epi8(-1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11);
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pData));
    return _mm_srai_epi32(_mm_shuffle_epi8(x, order), 8);
}

// Widens hi / lo to the largest and smallest lane of vmax / vmin.
__attribute__((target("sse4.1"))) inline void WidenMaxMin(__m128i pVmax, __m128i pVmin,
                                                          int32_t& pHi, int32_t& pLo) {
    int32_t mx[4], mn[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(mx), pVmax);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(mn), pVmin);
    pHi = std::max({pHi, mx[0], mx[1], mx[2], mx[3]});
    pLo = std::min({pLo, mn[0], mn[1], mn[2], mn[3]});
}

// Squares of four samples of one run, added to that run's sum in order.
__attribute__((target("sse4.1"))) inline void SerialStep24(const uint8_t* pQ, __m128i& pVmax,
                                                           __m128i& pVmin, double& pS) {
    const __m128i v = Unpack24x4(pQ);
    pVmax = _mm_max_epi32(pVmax, v);
    pVmin = _mm_min_epi32(pVmin, v);
    __m128d a = _mm_cvtepi32_pd(v);
    __m128d b = _mm_cvtepi32_pd(_mm_unpackhi_epi64(v, v));
    a = _mm_mul_pd(a, a);
    b = _mm_mul_pd(b, b);
    pS += _mm_cvtsd_f64(a);
    pS += _mm_cvtsd_f64(_mm_unpackhi_pd(a, a));
    pS += _mm_cvtsd_f64(b);
    pS += _mm_cvtsd_f64(_mm_unpackhi_pd(b, b));
}

// Four samples per step; the squares (exact in double) are still added one by one, in
// order. Each step loads 16 bytes but uses 12, so it stops while 6 samples remain.
__attribute__((target("sse4.1"))) size_t
ScanSerial24Sse41(const uint8_t* pData, size_t pCount, int32_t& pHi, int32_t& pLo, double& pSum) {
    __m128i vmax = _mm_set1_epi32(pHi), vmin = _mm_set1_epi32(pLo);
    double s = pSum;
    size_t i = 0;
    for (; i + 6 <= pCount; i += 4)
        SerialStep24(pData + 3 * i, vmax, vmin, s);
    WidenMaxMin(vmax, vmin, pHi, pLo);
    pSum = s;
    return i;
}

// Exact integer sum of squares: 32 x 32 -> 64-bit products of the even and the odd lanes.
__attribute__((target("sse4.1"))) size_t
ScanChunk24Sse41(const uint8_t* pData, size_t pCount, int32_t& pHi, int32_t& pLo, uint64_t& pSum) {
    __m128i vmax = _mm_set1_epi32(pHi), vmin = _mm_set1_epi32(pLo);
    __m128i acc = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 6 <= pCount; i += 4) {
        const __m128i v = Unpack24x4(pData + 3 * i);
        vmax = _mm_max_epi32(vmax, v);
        vmin = _mm_min_epi32(vmin, v);
        const __m128i odd = _mm_srli_epi64(v, 32);
        acc = _mm_add_epi64(acc, _mm_mul_epi32(v, v));
        acc = _mm_add_epi64(acc, _mm_mul_epi32(odd, odd));
    }
    WidenMaxMin(vmax, vmin, pHi, pLo);
    pSum += SumLanes64(acc);
    return i;
}

// Lanes of four samples above the threshold, as a 4-bit mask.
__attribute__((target("ssse3"))) inline int MaskAbove24(const uint8_t* pData, __m128i pHi,
                                                        __m128i pLo) {
    const __m128i v = Unpack24x4(pData);
    return _mm_movemask_ps(
        _mm_castsi128_ps(_mm_or_si128(_mm_cmpgt_epi32(v, pHi), _mm_cmplt_epi32(v, pLo))));
}

__attribute__((target("ssse3"))) int64_t FirstAbove24Ssse3(const uint8_t* pData, size_t pCount,
                                                           int32_t pTh, size_t& pI) {
    const __m128i hi = _mm_set1_epi32(pTh), lo = _mm_set1_epi32(-pTh);
    for (pI = 0; pI + 6 <= pCount; pI += 4)
        if (int m = MaskAbove24(pData + 3 * pI, hi, lo))
            return int64_t(pI) + __builtin_ctz(unsigned(m));
    return -1;
}

// Scans backwards in steps of four, each loading 16 bytes for 12; it starts two samples before
// the end so that no load passes the end.
__attribute__((target("ssse3"))) int64_t LastAbove24Ssse3(const uint8_t* pData, size_t pCount,
                                                          int32_t pTh, size_t& pTail) {
    const __m128i hi = _mm_set1_epi32(pTh), lo = _mm_set1_epi32(-pTh);
    // The last two samples are left to the caller, which must check them first.
    size_t i = pCount >= 2 ? pCount - 2 : 0;
    for (; i >= 4; i -= 4)
        if (int m = MaskAbove24(pData + 3 * (i - 4), hi, lo))
            return int64_t(i) - 4 + 31 - __builtin_clz(unsigned(m));
    pTail = i;
    return -1;
}

__attribute__((target("sse4.1"))) size_t ScanSerial24x4Sse41(const uint8_t* const pData[4],
                                                             size_t pCount, int32_t& pHi,
                                                             int32_t& pLo, double pSums[4]) {
    __m128i vmax = _mm_set1_epi32(pHi), vmin = _mm_set1_epi32(pLo);
    double s0 = pSums[0], s1 = pSums[1], s2 = pSums[2], s3 = pSums[3];
    size_t i = 0;
    for (; i + 6 <= pCount; i += 4) {
        SerialStep24(pData[0] + 3 * i, vmax, vmin, s0);
        SerialStep24(pData[1] + 3 * i, vmax, vmin, s1);
        SerialStep24(pData[2] + 3 * i, vmax, vmin, s2);
        SerialStep24(pData[3] + 3 * i, vmax, vmin, s3);
    }
    WidenMaxMin(vmax, vmin, pHi, pLo);
    pSums[0] = s0;
    pSums[1] = s1;
    pSums[2] = s2;
    pSums[3] = s3;
    return i;
}

bool HaveSsse3() {
    static const bool have = __builtin_cpu_supports("ssse3");
    return have;
}

// ScaleSamples16 sixteen samples per step. Unpacking and packing work within 128-bit
// halves, so they undo each other and the sample order is kept.
__attribute__((target("avx2"))) size_t ScaleSamples16Avx2(uint8_t* pData, size_t pCount,
                                                          const float pA[2]) {
    const __m256 f = _mm256_setr_ps(pA[0], pA[1], pA[0], pA[1], pA[0], pA[1], pA[0], pA[1]);
    const __m256 top = _mm256_set1_ps(32767.0f), bottom = _mm256_set1_ps(-32767.0f);
    size_t i = 0;
    for (; i + 16 <= pCount; i += 16) {
        __m256i* q = reinterpret_cast<__m256i*>(pData + 2 * i);
        const __m256i x = _mm256_loadu_si256(q);
        __m256 l = _mm256_cvtepi32_ps(_mm256_srai_epi32(_mm256_unpacklo_epi16(x, x), 16));
        __m256 h = _mm256_cvtepi32_ps(_mm256_srai_epi32(_mm256_unpackhi_epi16(x, x), 16));
        l = _mm256_min_ps(_mm256_max_ps(_mm256_mul_ps(l, f), bottom), top);
        h = _mm256_min_ps(_mm256_max_ps(_mm256_mul_ps(h, f), bottom), top);
        _mm256_storeu_si256(q, _mm256_packs_epi32(_mm256_cvtps_epi32(l), _mm256_cvtps_epi32(h)));
    }
    return i;
}

// ScanChunk16 sixteen samples per step.
__attribute__((target("avx2"))) size_t ScanChunk16Avx2(const uint8_t* pData, size_t pCount,
                                                       int32_t& pHi, int32_t& pLo, uint64_t& pSum) {
    __m256i vmax = _mm256_set1_epi16(int16_t(pHi)), vmin = _mm256_set1_epi16(int16_t(pLo));
    __m256i acc = _mm256_setzero_si256();
    const __m256i zero = _mm256_setzero_si256();
    size_t i = 0;
    for (; i + 16 <= pCount; i += 16) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pData + 2 * i));
        vmax = _mm256_max_epi16(vmax, x);
        vmin = _mm256_min_epi16(vmin, x);
        const __m256i sq = _mm256_madd_epi16(x, x); // at most 2^31: exact as unsigned
        acc = _mm256_add_epi64(acc, _mm256_unpacklo_epi32(sq, zero));
        acc = _mm256_add_epi64(acc, _mm256_unpackhi_epi32(sq, zero));
    }
    int16_t mx[16], mn[16];
    uint64_t lanes[4];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(mx), vmax);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(mn), vmin);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), acc);
    for (int k = 0; k < 16; ++k) {
        pHi = std::max(pHi, int32_t(mx[k]));
        pLo = std::min(pLo, int32_t(mn[k]));
    }
    pSum += lanes[0] + lanes[1] + lanes[2] + lanes[3];
    return i;
}

// 8-bit samples eight per step: (byte - 128) * a + 128 in double (exact, as in the plain
// formula), rounded once to single, clamped to 0..255 and rounded half to even.
__attribute__((target("avx2"))) size_t ScaleSamples8Avx2(uint8_t* pData, size_t pCount,
                                                         const float pA[2]) {
    const __m256d f = _mm256_setr_pd(pA[0], pA[1], pA[0], pA[1]);
    const __m256d bias = _mm256_set1_pd(128.0);
    const __m256 top = _mm256_set1_ps(255.0f), bottom = _mm256_setzero_ps();
    const __m256i silence = _mm256_set1_epi32(128);
    size_t i = 0;
    for (; i + 8 <= pCount; i += 8) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pData + i));
        const __m256i v = _mm256_sub_epi32(_mm256_cvtepu8_epi32(bytes), silence);
        __m256d lo = _mm256_cvtepi32_pd(_mm256_castsi256_si128(v));
        __m256d hi = _mm256_cvtepi32_pd(_mm256_extracti128_si256(v, 1));
        lo = _mm256_add_pd(_mm256_mul_pd(lo, f), bias);
        hi = _mm256_add_pd(_mm256_mul_pd(hi, f), bias);
        __m256 y = _mm256_set_m128(_mm256_cvtpd_ps(hi), _mm256_cvtpd_ps(lo));
        y = _mm256_min_ps(_mm256_max_ps(y, bottom), top);
        const __m256i r = _mm256_cvtps_epi32(y);
        const __m128i r16 =
            _mm_packus_epi32(_mm256_castsi256_si128(r), _mm256_extracti128_si256(r, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pData + i), _mm_packus_epi16(r16, r16));
    }
    return i;
}

bool HaveAvx2() {
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}

bool HaveSse41() {
    static const bool have = __builtin_cpu_supports("sse4.1");
    return have;
}

} // namespace
#endif

uint64_t ScanChunk24(const uint8_t* pData, size_t pCount, int32_t& pMaxV, int32_t& pMinV) {
    uint64_t sum = 0;
    int32_t hi = pMaxV, lo = pMinV;
    size_t i = 0;
#if QUILLAN_X86_KERNELS
    if (HaveSse41()) i = ScanChunk24Sse41(pData, pCount, hi, lo, sum);
#endif
    sum = ScanFrom<Samples24>(pData, i, pCount, hi, lo, sum);
    pMaxV = hi;
    pMinV = lo;
    return sum;
}

double ScanSerial24(const uint8_t* pData, size_t pCount, int32_t& pMaxV, int32_t& pMinV,
                    double pSum) {
    int32_t hi = pMaxV, lo = pMinV;
    size_t i = 0;
#if QUILLAN_X86_KERNELS
    if (HaveSse41()) i = ScanSerial24Sse41(pData, pCount, hi, lo, pSum);
#endif
    pSum = ScanFrom<Samples24>(pData, i, pCount, hi, lo, pSum);
    pMaxV = hi;
    pMinV = lo;
    return pSum;
}

void ScanSerial24x4(const uint8_t* const pData[4], size_t pCount, int32_t& pMaxV, int32_t& pMinV,
                    double pSums[4]) {
    size_t i = 0;
#if QUILLAN_X86_KERNELS
    if (HaveSse41()) i = ScanSerial24x4Sse41(pData, pCount, pMaxV, pMinV, pSums);
#endif
    for (int j = 0; j < 4; ++j)
        pSums[j] = ScanSerial24(pData[j] + 3 * i, pCount - i, pMaxV, pMinV, pSums[j]);
}

double AddSquaresSerial(int32_t pBits, const uint8_t* pData, size_t pCount, double pSum) {
    int32_t maxV = 0, minV = 0;
    switch (pBits) {
    case 8:
        return AddSquares<Samples8>(pData, pCount, pSum);
    case 16:
        return AddSquares<Samples16>(pData, pCount, pSum);
    default:
        return ScanSerial24(pData, pCount, maxV, minV, pSum);
    }
}

int64_t FirstAbove8(const uint8_t* pData, size_t pCount, int32_t pTh) {
    return FirstAboveLanes<Samples8>(pData, pCount, pTh);
}

int64_t LastAbove8(const uint8_t* pData, size_t pCount, int32_t pTh) {
    return LastAboveLanes<Samples8>(pData, pCount, pTh);
}

int64_t FirstAbove16(const uint8_t* pData, size_t pCount, int32_t pTh) {
    return FirstAboveLanes<Samples16>(pData, pCount, pTh);
}

int64_t LastAbove16(const uint8_t* pData, size_t pCount, int32_t pTh) {
    return LastAboveLanes<Samples16>(pData, pCount, pTh);
}

int64_t FirstAbove24(const uint8_t* pData, size_t pCount, int32_t pTh) {
    size_t i = 0;
#if QUILLAN_X86_KERNELS
    if (HaveSsse3()) {
        const int64_t found = FirstAbove24Ssse3(pData, pCount, pTh, i);
        if (found >= 0) return found;
    }
#endif
    return FirstAboveFrom<Samples24>(pData, i, pCount, pTh);
}

int64_t LastAbove24(const uint8_t* pData, size_t pCount, int32_t pTh) {
    // The last two samples first: the vector steps never load past the end.
    size_t i = pCount;
    for (; i > 0 && i + 2 > pCount; --i)
        if (Above(Unpack24(pData + 3 * (i - 1)), pTh)) return int64_t(i) - 1;
#if QUILLAN_X86_KERNELS
    if (HaveSsse3()) {
        const int64_t found = LastAbove24Ssse3(pData, pCount, pTh, i);
        if (found >= 0) return found;
    }
#endif
    return LastAboveBefore<Samples24>(pData, i, pTh);
}

void ScaleSamples16(uint8_t* pData, size_t pCount, const float pA[2]) {
    size_t i = 0;
#if QUILLAN_X86_KERNELS
    if (HaveAvx2()) i = ScaleSamples16Avx2(pData, pCount, pA);
#endif
#if defined(__SSE2__)
    // A single-precision product is the exact product rounded once; clamping before the
    // conversion gives +-32767 for every |v| >= 32767; the conversion rounds half to even.
    const __m128 f = _mm_setr_ps(pA[0], pA[1], pA[0], pA[1]);
    const __m128 top = _mm_set1_ps(32767.0f), bottom = _mm_set1_ps(-32767.0f);
    for (; i + 8 <= pCount; i += 8) {
        __m128i* q = reinterpret_cast<__m128i*>(pData + 2 * i);
        const __m128i x = _mm_loadu_si128(q);
        __m128 l = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(x, x), 16));
        __m128 h = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(x, x), 16));
        l = _mm_min_ps(_mm_max_ps(_mm_mul_ps(l, f), bottom), top);
        h = _mm_min_ps(_mm_max_ps(_mm_mul_ps(h, f), bottom), top);
        _mm_storeu_si128(q, _mm_packs_epi32(_mm_cvtps_epi32(l), _mm_cvtps_epi32(h)));
    }
#endif
    for (; i < pCount; ++i) {
        const float v = float(Load16(pData + 2 * i)) * pA[i % 2];
        int16_t r;
        if (std::fabs(v) >= 32767.0f)
            r = v < 0.0f ? -32767 : 32767;
        else
            r = int16_t(std::nearbyint(v));
        std::memcpy(pData + 2 * i, &r, 2);
    }
}

namespace {

inline int32_t Scale24(int32_t pV, float pA) {
    const float x = float(pV) * pA;
    if (std::fabs(x) >= 8388607.0f) return x < 0.0f ? -8388607 : 8388607;
    return int32_t(std::nearbyint(x));
}

inline void Store24(uint8_t* pData, int32_t pV) {
    pData[0] = uint8_t(pV);
    pData[1] = uint8_t(pV >> 8);
    pData[2] = uint8_t(pV >> 16);
}

#if QUILLAN_X86_KERNELS
// Four samples per step, scaled like ScaleSamples16 and shuffled back into 12 bytes.
__attribute__((target("ssse3"))) size_t ScaleSamples24Ssse3(uint8_t* pData, size_t pCount,
                                                            const float pA[2]) {
    const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m128 f = _mm_setr_ps(pA[0], pA[1], pA[0], pA[1]);
    const __m128 top = _mm_set1_ps(8388607.0f), bottom = _mm_set1_ps(-8388607.0f);
    size_t i = 0;
    // Each step loads 16 bytes but uses 12: stop while 4 spare bytes remain.
    for (; i + 6 <= pCount; i += 4) {
        uint8_t* q = pData + 3 * i;
        const __m128i v = Unpack24x4(q);
        __m128 y = _mm_mul_ps(_mm_cvtepi32_ps(v), f);
        y = _mm_min_ps(_mm_max_ps(y, bottom), top);
        const __m128i r = _mm_shuffle_epi8(_mm_cvtps_epi32(y), pack);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(q), r);
        const int32_t last = _mm_cvtsi128_si32(_mm_srli_si128(r, 8));
        std::memcpy(q + 8, &last, 4);
    }
    return i;
}

#endif

} // namespace

void ScaleSamples24(uint8_t* pData, size_t pCount, const float pA[2]) {
    size_t i = 0;
#if QUILLAN_X86_KERNELS
    if (HaveSsse3()) i = ScaleSamples24Ssse3(pData, pCount, pA);
#endif
    for (; i < pCount; ++i)
        Store24(pData + 3 * i, Scale24(Unpack24(pData + 3 * i), pA[i % 2]));
}

size_t ScaleSamples8Vector(uint8_t* pData, size_t pCount, const float pA[2]) {
#if QUILLAN_X86_KERNELS
    if (HaveAvx2()) return ScaleSamples8Avx2(pData, pCount, pA);
#endif
    (void)pData;
    (void)pCount;
    (void)pA;
    return 0;
}
