#pragma once

// Inner loops over 8-, 16- and 24-bit samples, vectorised where the processor allows. Each gives
// exactly the result of the plain per-sample loop it replaces (integer arithmetic, and one
// correctly rounded single-precision product per sample).

#include <cstddef>
#include <cstdint>
#include <cstring>

// Sums the squares of count signed sample values (8-bit: byte - 128) and widens maxV / minV
// to the largest and smallest value seen. count is at most 4096.
uint64_t ScanChunk8(const uint8_t* pData, size_t pCount, int32_t& pMaxV, int32_t& pMinV);
uint64_t ScanChunk16(const uint8_t* pData, size_t pCount, int32_t& pMaxV, int32_t& pMinV);
uint64_t ScanChunk24(const uint8_t* pData, size_t pCount, int32_t& pMaxV, int32_t& pMinV);
// The same for a sum that is no longer exact: adds each square to sum in order, in double.
double ScanSerial24(const uint8_t* pData, size_t pCount, int32_t& pMaxV, int32_t& pMinV,
                    double pSum);
double AddSquaresSerial(int32_t pBits, const uint8_t* pData, size_t pCount, double pSum);
// ScanSerial24 on four independent runs of count samples at once (sums[j] continues over
// pData[j]); the four chains of additions overlap in the processor.
void ScanSerial24x4(const uint8_t* const pData[4], size_t pCount, int32_t& pMaxV, int32_t& pMinV,
                    double pSums[4]);

// Index of the first / last sample whose magnitude is above th (th >= 0), or -1.
int64_t FirstAbove8(const uint8_t* pData, size_t pCount, int32_t pTh);
int64_t LastAbove8(const uint8_t* pData, size_t pCount, int32_t pTh);
int64_t FirstAbove16(const uint8_t* pData, size_t pCount, int32_t pTh);
int64_t LastAbove16(const uint8_t* pData, size_t pCount, int32_t pTh);
int64_t FirstAbove24(const uint8_t* pData, size_t pCount, int32_t pTh);
int64_t LastAbove24(const uint8_t* pData, size_t pCount, int32_t pTh);

// 16-bit samples in place: v = sample * a (single), +-32767 when |v| >= 32767, else v
// rounded half to even. a[0] for even, a[1] for odd sample indices (left, right).
void ScaleSamples16(uint8_t* pData, size_t pCount, const float pA[2]);
// 8-bit samples in place as far as vector code allows: v = (byte - 128) * a + 128 (single),
// clamped to 0..255, rounded half to even. Returns how many samples it did (an even count;
// 0 without vector support), the caller does the rest.
size_t ScaleSamples8Vector(uint8_t* pData, size_t pCount, const float pA[2]);
// The same as ScaleSamples16 for packed 24-bit samples and +-8388607.
void ScaleSamples24(uint8_t* pData, size_t pCount, const float pA[2]);

// A little-endian 16-bit sample.
inline int32_t Load16(const uint8_t* pData) {
    int16_t v;
    std::memcpy(&v, pData, 2);
    return v;
}
