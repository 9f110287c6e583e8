#pragma once

// The one WAV writer of the tests: integer PCM of any width, 32-bit float, the extensible
// header, any channel count; and its pieces (little-endian fields, chunks, the RIFF wrapper)
// for files made wrong on purpose. Bytes are held in a std::string.

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace testwav {

inline std::string Le16(uint32_t pValue) {
    return {char(pValue & 0xFF), char((pValue >> 8) & 0xFF)};
}
inline std::string Le32(uint32_t pValue) {
    return Le16(pValue) + Le16(pValue >> 16);
}

// One chunk: id, size field (the body's length unless given), body, pad byte when odd.
inline std::string Chunk(const std::string& pId, const std::string& pBody,
                         int64_t pSizeField = -1) {
    const uint32_t size = pSizeField < 0 ? uint32_t(pBody.size()) : uint32_t(pSizeField);
    std::string c = pId + Le32(size) + pBody;
    if (pBody.size() % 2 == 1) c += '\0';
    return c;
}

// "RIFF", the size of what follows, "WAVE" and the chunks.
inline std::string Riff(const std::string& pChunks) {
    return "RIFF" + Le32(uint32_t(pChunks.size() + 4)) + "WAVE" + pChunks;
}

struct Format {
    int32_t Rate = 44100;
    int32_t Bits = 16; // bits per sample; a sample takes whole bytes
    int32_t Channels = 2;
    bool Float = false;      // IEEE float samples (tag 3, or its sub-format)
    bool Extensible = false; // the 40-byte "fmt " with valid bits, channel mask and sub-format
    uint32_t ChannelMask = 0;
    uint16_t Tag = 0; // a format tag written as given (plain header); 0: PCM or float

    uint32_t BlockAlign() const { return uint32_t(Channels * ((Bits + 7) / 8)); }
};

// The body of the "fmt " chunk.
inline std::string FmtBody(const Format& pF) {
    const uint32_t code = pF.Tag ? pF.Tag : pF.Float ? 3 : 1;
    std::string b = Le16(pF.Extensible ? 0xFFFE : code) + Le16(uint32_t(pF.Channels)) +
                    Le32(uint32_t(pF.Rate)) + Le32(uint32_t(pF.Rate) * pF.BlockAlign()) +
                    Le16(pF.BlockAlign()) + Le16(uint32_t(pF.Bits));
    if (pF.Extensible)
        b += Le16(22) + Le16(uint32_t(pF.Bits)) + Le32(pF.ChannelMask) + Le16(code) +
             std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    return b;
}

// Everything before the audio of a file whose data chunk claims pDataBytes: a caller may
// append fewer bytes (a cut file) or make the file sparse up to the claimed length.
inline std::string Header(const Format& pF, uint32_t pDataBytes) {
    const std::string fmt = Chunk("fmt ", FmtBody(pF));
    return "RIFF" + Le32(uint32_t(4 + fmt.size() + 8 + pDataBytes + pDataBytes % 2)) + "WAVE" +
           fmt + "data" + Le32(pDataBytes);
}

// A whole file: the format, the chunks given before and after the audio (made with Chunk),
// and the audio bytes with their pad byte.
inline std::string Wav(const Format& pF, const std::string& pData, const std::string& pBefore = {},
                       const std::string& pAfter = {}) {
    return Riff(Chunk("fmt ", FmtBody(pF)) + pBefore + Chunk("data", pData) + pAfter);
}

// Interleaved integer samples in the format's width, least significant byte first; 8-bit
// values are the stored bytes (0..255, 128 is silence).
inline std::string Samples(const Format& pF, const std::vector<int32_t>& pValues) {
    const int32_t width = (pF.Bits + 7) / 8;
    std::string out;
    for (int32_t v : pValues)
        for (int32_t i = 0; i < width; ++i)
            out += char((uint32_t(v) >> (8 * i)) & 0xFF);
    return out;
}

// Interleaved 32-bit float samples.
inline std::string Floats(const std::vector<float>& pValues) {
    return std::string(reinterpret_cast<const char*>(pValues.data()), pValues.size() * 4);
}

inline void WriteFile(const std::string& pPath, const std::string& pBytes) {
    std::ofstream(pPath, std::ios::binary | std::ios::trunc)
        .write(pBytes.data(), std::streamsize(pBytes.size()));
}

} // namespace testwav
