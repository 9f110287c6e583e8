#pragma once

// The gated sum of scaled squares of 16-bit samples in whole units, vectorised: each square
// (sample * scale)^2, rounded in double, is counted in units of 2^-pScaleExp rounded to the
// nearest (see SecondPass in engine/LevelAnalysis.h for why that gives the bits of a double
// sum in order).

#include <cstddef>
#include <cstdint>

enum class UnitSum : int32_t {
    Summed,   // every square has units: pUnits holds their sum
    NoUnits,  // a square is 2^52 units or more, or ends in exactly half a unit
    NoKernel, // no vector code on this processor
};

// The squares of pCount 16-bit samples (at most 2048) scaled by pScale, in units. pScale is
// a single-precision value, so that its square is exact in double.
UnitSum SumUnits16(const uint8_t* pData, size_t pCount, double pScale, int32_t pScaleExp,
                   uint64_t& pUnits);

// One square in units of 2^-pScaleExp, rounded to the nearest; false for a tie or 2^52 units
// or more.
bool SquareInUnits(double pSquare, int32_t pScaleExp, uint64_t& pUnits);
