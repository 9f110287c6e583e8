// Sample loops of the edit engine: the fast paths against the plain formulas they replace,
// on one 2 MiB block, so that the ratio shows what each fast path gains.
//   bench_engine_kernels [--benchmark_filter=...]

#include "engine/EditPass.h"
#include "engine/LevelAnalysis.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr size_t kBlockBytes = 2097152;

std::vector<uint8_t> NoiseBlock(uint32_t pSeed) {
    std::mt19937 rng(pSeed);
    std::vector<uint8_t> b(kBlockBytes);
    for (auto& x : b)
        x = uint8_t(rng() >> 24);
    return b;
}

// Noise for the format: float samples in -1 .. 1.
std::vector<uint8_t> NoiseFor(const BlockFormat& pF, uint32_t pSeed) {
    std::vector<uint8_t> b = NoiseBlock(pSeed);
    if (!pF.Float) return b;
    for (size_t i = 0; i + 4 <= b.size(); i += 4) {
        int32_t v;
        std::memcpy(&v, &b[i], 4);
        const float x = float(v) / 2147483648.0f;
        std::memcpy(&b[i], &x, 4);
    }
    return b;
}

// pBits 33: 32-bit float.
BlockFormat Stereo(int32_t pBits, int32_t pFadeIn) {
    BlockFormat f;
    f.Float = pBits == 33;
    pBits = std::min(pBits, 32);
    f.BitsPerSample = pBits;
    f.Channels = 2;
    f.DbL = -3.5f;
    f.DbR = -2.0f;
    f.Start = 0;
    f.End = int64_t(kBlockBytes / size_t(pBits / 8 * 2));
    f.FadeIn = pFadeIn;
    return f;
}

// Converts the same block again and again (the values drift, the work does not).
void ConvertPlain(benchmark::State& pState) {
    const BlockFormat f = Stereo(int32_t(pState.range(0)), 0);
    std::vector<uint8_t> block = NoiseFor(f, 1);
    for (auto _ : pState) {
        ConvertBlockPlain(f, block.data(), f.End, 0);
        benchmark::DoNotOptimize(block.data());
    }
    pState.SetBytesProcessed(int64_t(pState.iterations()) * int64_t(kBlockBytes));
}

void ConvertFast(benchmark::State& pState) {
    const BlockFormat f = Stereo(int32_t(pState.range(0)), 0);
    const BlockConverter conv(f);
    std::vector<uint8_t> block = NoiseFor(f, 1);
    for (auto _ : pState) {
        conv.Convert(block.data(), f.End, 0);
        benchmark::DoNotOptimize(block.data());
    }
    pState.SetBytesProcessed(int64_t(pState.iterations()) * int64_t(kBlockBytes));
}

// Peak and sum of squares: one double addition per sample against the integer sums.
void MeasurePlain(benchmark::State& pState) {
    const int32_t bits = int32_t(pState.range(0));
    const std::vector<uint8_t> block = NoiseBlock(2);
    const size_t count = kBlockBytes / size_t(bits / 8);
    for (auto _ : pState) {
        double sum = 0.0;
        int32_t peak = 0;
        for (size_t i = 0; i < count; ++i) {
            const int32_t v = SampleValue(bits, block.data(), i);
            peak = std::max(peak, std::abs(v));
            sum += double(v) * double(v);
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(peak);
    }
    pState.SetBytesProcessed(int64_t(pState.iterations()) * int64_t(kBlockBytes));
}

void MeasureFast(benchmark::State& pState) {
    const int32_t bits = int32_t(pState.range(0));
    const std::vector<uint8_t> block = NoiseBlock(2);
    const size_t count = kBlockBytes / size_t(bits / 8);
    for (auto _ : pState) {
        PeakAndSquares ps;
        ScanPeakAndSquares(bits, block.data(), count, ps);
        benchmark::DoNotOptimize(ps);
    }
    pState.SetBytesProcessed(int64_t(pState.iterations()) * int64_t(kBlockBytes));
}

} // namespace

// 32: 32-bit integers, 33: 32-bit floats.
BENCHMARK(ConvertPlain)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Arg(33)->Unit(benchmark::kMicrosecond);
BENCHMARK(ConvertFast)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Arg(33)->Unit(benchmark::kMicrosecond);
BENCHMARK(MeasurePlain)->Arg(8)->Arg(16)->Arg(24)->Unit(benchmark::kMicrosecond);
BENCHMARK(MeasureFast)->Arg(8)->Arg(16)->Arg(24)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
