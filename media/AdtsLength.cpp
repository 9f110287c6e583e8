#include "media/AdtsLength.h"

#include <array>
#include <cmath>
#include <fstream>
#include <limits>
#include <vector>

namespace {

constexpr std::array<int32_t, 13> kSampleRates = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                                  22050, 16000, 12000, 11025, 8000,  7350};
constexpr size_t kHeaderBytes = 7;
constexpr size_t kChunkBytes = 1 << 20;

struct AdtsHeader {
    int32_t RateIndex = 0;
    int32_t Channels = 0;
    size_t FrameBytes = 0;
    int32_t Blocks = 0;
};

std::optional<AdtsHeader> ReadHeader(const uint8_t* pBytes) {
    // Sync word, layer 0.
    if (pBytes[0] != 0xFF || (pBytes[1] & 0xF6) != 0xF0) return std::nullopt;
    AdtsHeader h;
    h.RateIndex = (pBytes[2] >> 2) & 0x0F;
    h.Channels = ((pBytes[2] & 0x01) << 2) | (pBytes[3] >> 6);
    h.FrameBytes = (size_t(pBytes[3] & 0x03) << 11) | (size_t(pBytes[4]) << 3) | (pBytes[5] >> 5);
    h.Blocks = (pBytes[6] & 0x03) + 1;
    bool crc = (pBytes[1] & 0x01) == 0;
    if (h.RateIndex >= int32_t(kSampleRates.size()) || h.FrameBytes < kHeaderBytes + (crc ? 2 : 0))
        return std::nullopt;
    return h;
}

// Bytes of an ID3v2 tag at the start of pHead (0 when none).
uint64_t Id3v2Bytes(const std::vector<uint8_t>& pHead) {
    if (pHead.size() < 10 || pHead[0] != 'I' || pHead[1] != 'D' || pHead[2] != '3') return 0;
    for (size_t i = 6; i < 10; ++i)
        if (pHead[i] & 0x80) return 0;
    uint64_t size = (uint64_t(pHead[6]) << 21) | (uint64_t(pHead[7]) << 14) |
                    (uint64_t(pHead[8]) << 7) | pHead[9];
    bool footer = (pHead[5] & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

} // namespace

std::optional<int32_t> AdtsLengthMs(const std::string& pPath) {
    std::ifstream in(pPath, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<uint8_t> buffer(kChunkBytes);
    in.read(reinterpret_cast<char*>(buffer.data()), std::streamsize(buffer.size()));
    buffer.resize(size_t(in.gcount()));
    uint64_t bufferStart = 0;          // file position of buffer[0]
    uint64_t pos = Id3v2Bytes(buffer); // file position of the next frame
    std::optional<AdtsHeader> first;
    uint64_t samples = 0;
    for (;;) {
        // Make sure the header at pos is in the buffer.
        if (pos < bufferStart || pos + kHeaderBytes > bufferStart + buffer.size()) {
            in.clear();
            in.seekg(std::streamoff(pos));
            bufferStart = pos;
            buffer.resize(kChunkBytes);
            in.read(reinterpret_cast<char*>(buffer.data()), std::streamsize(buffer.size()));
            buffer.resize(size_t(in.gcount()));
            if (buffer.size() < kHeaderBytes) break;
        }
        auto header = ReadHeader(&buffer[size_t(pos - bufferStart)]);
        if (!header) break;
        if (first && (header->RateIndex != first->RateIndex || header->Channels != first->Channels))
            break;
        // A frame cut short by the end of the file still counts: the decoder plays what it
        // holds, and a damaged end is not worth a shorter length.
        if (!first) first = header;
        samples += uint64_t(header->Blocks) * 1024;
        pos += header->FrameBytes;
    }
    if (!first) return std::nullopt;
    double ms = std::nearbyint(double(samples) * 1000.0 / kSampleRates[size_t(first->RateIndex)]);
    if (ms > std::numeric_limits<int32_t>::max()) return std::nullopt;
    return int32_t(ms);
}
