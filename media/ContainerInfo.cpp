#include "media/ContainerInfo.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Be32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
uint64_t Le(const uint8_t* p, int32_t pCount) {
    uint64_t v = 0;
    for (int32_t i = pCount - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}
bool Has(const Bytes& pBytes, size_t pAt, const char* pText) {
    size_t n = std::strlen(pText);
    return pBytes.size() >= pAt + n && std::memcmp(pBytes.data() + pAt, pText, n) == 0;
}

// Rounds frames at a rate to milliseconds; nothing when zero, negative or out of range.
bool SetLength(double pFrames, int32_t pRate, ContainerInfo& pInfo) {
    if (pRate <= 0) return false;
    double ms = std::nearbyint(pFrames * 1000.0 / pRate);
    if (!(ms >= 0 && ms <= std::numeric_limits<int32_t>::max())) return false;
    pInfo.LengthMs = int32_t(ms);
    pInfo.SampleRate = pRate;
    return true;
}

int64_t Id3v2Bytes(const Bytes& pHead) {
    if (!Has(pHead, 0, "ID3") || pHead.size() < 10) return 0;
    int64_t size = (int64_t(pHead[6] & 0x7F) << 21) | ((pHead[7] & 0x7F) << 14) |
                   ((pHead[8] & 0x7F) << 7) | (pHead[9] & 0x7F);
    return 10 + size + ((pHead[5] & 0x10) ? 10 : 0);
}

// "fLaC" (after an ID3v2 tag some taggers put in front), then STREAMINFO as the first block:
// 20 bits of rate, 3 of channels - 1, 5 of bits - 1 and 36 of total samples.
std::optional<ContainerInfo> ReadFlac(const ByteSource& pSource, const Bytes& pHead) {
    int64_t at = Id3v2Bytes(pHead);
    Bytes b = ReadBytes(pSource, at, 42);
    if (!Has(b, 0, "fLaC") || (b[4] & 0x7F) != 0 || ((b[5] << 16) | (b[6] << 8) | b[7]) < 34)
        return std::nullopt;
    const uint8_t* s = b.data() + 8 + 10;
    ContainerInfo info{"flac"};
    int32_t rate = int32_t((uint32_t(s[0]) << 12) | (s[1] << 4) | (s[2] >> 4));
    info.Channels = ((s[2] >> 1) & 7) + 1;
    info.BitsPerSample = (((s[2] & 1) << 4) | (s[3] >> 4)) + 1;
    uint64_t samples = (uint64_t(s[3] & 0x0F) << 32) | Be32(s + 4);
    if (samples == 0 || !SetLength(double(samples), rate, info)) return std::nullopt;
    return info;
}

// The granule position of the last page of the stream pSerial, from the file's last 64 KiB.
std::optional<int64_t> LastGranule(const ByteSource& pSource, uint32_t pSerial) {
    constexpr int64_t kTail = 64 * 1024;
    int64_t from = std::max<int64_t>(0, pSource.Size - kTail);
    Bytes tail = ReadBytes(pSource, from, int32_t(pSource.Size - from));
    for (size_t p = tail.size() >= 27 ? tail.size() - 27 : 0; p + 27 <= tail.size(); --p) {
        if (Has(tail, p, "OggS") && Le(&tail[p + 14], 4) == pSerial) {
            auto granule = int64_t(Le(&tail[p + 6], 8));
            if (granule >= 0) return granule;
        }
        if (p == 0) break;
    }
    return std::nullopt;
}

// The first page's first packet names the codec: Vorbis ("\x01vorbis": channels, rate) or
// Opus ("OpusHead": channels, pre-skip; always decoded at 48 kHz). The length is the last
// page's granule position (less Opus's pre-skip).
std::optional<ContainerInfo> ReadOgg(const ByteSource& pSource, const Bytes& pHead) {
    if (!Has(pHead, 0, "OggS") || pHead.size() < 27) return std::nullopt;
    size_t packet = 27 + pHead[26];
    auto serial = uint32_t(Le(&pHead[14], 4));
    ContainerInfo info;
    int64_t skip = 0;
    int32_t rate = 0;
    if (Has(pHead, packet, "\x01vorbis") && pHead.size() >= packet + 16) {
        info.Kind = "vorbis";
        info.Channels = pHead[packet + 11];
        rate = int32_t(Le(&pHead[packet + 12], 4));
    } else if (Has(pHead, packet, "OpusHead") && pHead.size() >= packet + 12) {
        info.Kind = "opus";
        info.Channels = pHead[packet + 9];
        skip = int64_t(Le(&pHead[packet + 10], 2));
        rate = 48000;
    } else {
        return std::nullopt;
    }
    auto granule = LastGranule(pSource, serial);
    if (info.Channels == 0 || !granule || *granule < skip ||
        !SetLength(double(*granule - skip), rate, info))
        return std::nullopt;
    return info;
}

// An 80-bit IEEE extended number, as AIFF stores its sample rate.
double Extended80(const uint8_t* p) {
    int32_t exponent = ((p[0] & 0x7F) << 8) | p[1];
    uint64_t mantissa = (uint64_t(Be32(p + 2)) << 32) | Be32(p + 6);
    if (exponent == 0 && mantissa == 0) return 0;
    double value = std::ldexp(double(mantissa), exponent - 16383 - 63);
    return (p[0] & 0x80) ? -value : value;
}

// "FORM" "AIFF"/"AIFC" and its "COMM" chunk: channels, frames, bits, rate.
std::optional<ContainerInfo> ReadAiff(const ByteSource& pSource, const Bytes& pHead) {
    if (!Has(pHead, 0, "FORM") || !(Has(pHead, 8, "AIFF") || Has(pHead, 8, "AIFC")))
        return std::nullopt;
    ContainerInfo info{Has(pHead, 8, "AIFC") ? "aifc" : "aiff"};
    for (int64_t at = 12; at + 8 <= pSource.Size;) {
        Bytes chunk = ReadBytes(pSource, at, 26);
        if (chunk.empty()) break;
        uint32_t size = Be32(&chunk[4]);
        if (Has(chunk, 0, "COMM") && size >= 18) {
            info.Channels = (chunk[8] << 8) | chunk[9];
            uint32_t frames = Be32(&chunk[10]);
            info.BitsPerSample = (chunk[14] << 8) | chunk[15];
            double rate = Extended80(&chunk[16]);
            if (info.Channels == 0 || !(rate >= 1 && rate < 1e7) ||
                !SetLength(frames, int32_t(std::lround(rate)), info))
                return std::nullopt;
            return info;
        }
        at += 8 + int64_t(size) + (size & 1);
    }
    return std::nullopt;
}

// Sony Wave64: 16-byte GUIDs whose first four bytes read like RIFF ids, 64-bit sizes that
// count the 24-byte chunk header, chunks aligned to 8 bytes.
std::optional<ContainerInfo> ReadWave64(const ByteSource& pSource, const Bytes& pHead) {
    static const uint8_t kRiffTail[12] = {0x2E, 0x91, 0xCF, 0x11, 0xA5, 0xD6,
                                          0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00};
    if (!Has(pHead, 0, "riff") || pHead.size() < 40 || std::memcmp(&pHead[4], kRiffTail, 12) ||
        !Has(pHead, 24, "wave"))
        return std::nullopt;
    ContainerInfo info{"w64"};
    int32_t blockAlign = 0;
    for (int64_t at = 40; at + 24 <= pSource.Size;) {
        Bytes chunk = ReadBytes(pSource, at, 24 + 16);
        if (chunk.empty()) break;
        uint64_t size = Le(&chunk[16], 8);
        if (size < 24) break;
        if (Has(chunk, 0, "fmt ")) {
            info.Channels = int32_t(Le(&chunk[26], 2));
            info.SampleRate = int32_t(Le(&chunk[28], 4));
            blockAlign = int32_t(Le(&chunk[36], 2));
            info.BitsPerSample = int32_t(Le(&chunk[38], 2));
        } else if (Has(chunk, 0, "data")) {
            if (blockAlign <= 0 || info.Channels == 0) return std::nullopt;
            // A data chunk cut short counts only the bytes there are.
            uint64_t bytes = std::min<uint64_t>(size - 24, uint64_t(pSource.Size - at - 24));
            if (!SetLength(double(bytes / uint64_t(blockAlign)), info.SampleRate, info))
                return std::nullopt;
            return info;
        }
        if (size > uint64_t(std::numeric_limits<int64_t>::max() - at - 7)) break;
        at += int64_t((size + 7) & ~uint64_t(7));
    }
    return std::nullopt;
}

std::string ChannelText(int32_t pChannels) {
    if (pChannels == 1) return "Mono";
    if (pChannels == 2) return "Stereo";
    return std::to_string(pChannels) + "ch";
}

} // namespace

std::string ContainerInfo::Text() const {
    std::string bits = BitsPerSample > 0 ? std::to_string(BitsPerSample) + "bit/" : "";
    return Kind + "(" + std::to_string(SampleRate) + "Hz/" + bits + ChannelText(Channels) + ")";
}

std::optional<ContainerInfo> ReadContainerInfo(const ByteSource& pSource) {
    Bytes head = ReadBytes(pSource, 0, 512);
    if (head.empty() || pSource.Size <= 0) return std::nullopt;
    for (auto reader : {ReadFlac, ReadOgg, ReadAiff, ReadWave64})
        if (auto info = reader(pSource, head)) return info;
    return std::nullopt;
}
