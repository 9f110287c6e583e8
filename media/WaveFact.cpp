#include "media/WaveFact.h"

#include "engine/FileIO.h"
#include "engine/WaveMMIO.h"

#include <cmath>
#include <limits>

namespace {

constexpr uint32_t kChunkFact = 0x74636166; // "fact"

uint32_t LittleEndian32(const uint8_t* pBytes) {
    return uint32_t(pBytes[0]) | (uint32_t(pBytes[1]) << 8) | (uint32_t(pBytes[2]) << 16) |
           (uint32_t(pBytes[3]) << 24);
}

bool IsRiffWave(const std::string& pPath) {
    uint8_t head[12];
    int64_t got = 0;
    if (!ReadAt(head, 12, 0, pPath, 0, 1, &got) || got != 12) return false;
    return LittleEndian32(head) == kChunkRiff && LittleEndian32(head + 8) == kChunkWave;
}

// The frame count of the "fact" chunk; nothing when the chunk is missing, short or says 0.
std::optional<uint32_t> FactFrames(const std::string& pPath) {
    int64_t pos = FindChunk(pPath, kChunkFact);
    if (pos < 0) return std::nullopt;
    uint8_t body[8]; // size field, then the frame count
    int64_t got = 0;
    if (!ReadAt(body, 8, 0, pPath, pos + 4, 1, &got) || got != 8) return std::nullopt;
    if (LittleEndian32(body) < 4 || LittleEndian32(body + 4) == 0) return std::nullopt;
    return LittleEndian32(body + 4);
}

} // namespace

std::optional<int32_t> CompressedWaveLengthMs(const std::string& pPath) {
    if (!IsRiffWave(pPath)) return std::nullopt;
    WaveInfo wave = ReadWaveInfo(pPath);
    bool pcm = wave.FormatTag == 1 || wave.FormatTag == -2;
    if (pcm || wave.FormatTag == 0 || wave.SampleRate <= 0) return std::nullopt;
    auto frames = FactFrames(pPath);
    if (!frames) return std::nullopt;
    double ms = std::nearbyint(double(*frames) / wave.SampleRate * 1000.0);
    if (ms > double(std::numeric_limits<int32_t>::max())) return std::nullopt;
    return int32_t(ms);
}
