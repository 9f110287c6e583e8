#pragma once

// Metadata chunks made by hand for the tests (bext, cue, LIST/adtl, LIST/INFO, smpl, any
// other), WAV files that carry them around their audio, and a reader that lists the chunks of
// a written file the way a strict reader walks them.

#include "common/WavWriter.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace wavchunks {

using Bytes = std::vector<uint8_t>;

inline void PutU16(Bytes& pOut, uint32_t pV) {
    pOut.push_back(uint8_t(pV));
    pOut.push_back(uint8_t(pV >> 8));
}
inline void PutU32(Bytes& pOut, uint32_t pV) {
    for (int i = 0; i < 4; ++i)
        pOut.push_back(uint8_t(pV >> (8 * i)));
}
inline void PutText(Bytes& pOut, const std::string& pText) {
    pOut.insert(pOut.end(), pText.begin(), pText.end());
}
// pText in a field of pSize bytes, NUL-filled.
inline void PutField(Bytes& pOut, const std::string& pText, size_t pSize) {
    Bytes field(pSize, 0);
    std::memcpy(field.data(), pText.data(), std::min(pSize, pText.size()));
    pOut.insert(pOut.end(), field.begin(), field.end());
}
inline uint32_t U32At(const Bytes& pB, size_t pAt) {
    return uint32_t(pB[pAt]) | uint32_t(pB[pAt + 1]) << 8 | uint32_t(pB[pAt + 2]) << 16 |
           uint32_t(pB[pAt + 3]) << 24;
}
inline int16_t I16At(const Bytes& pB, size_t pAt) {
    return int16_t(uint16_t(pB[pAt] | pB[pAt + 1] << 8));
}

struct Chunk {
    std::string Id; // four characters
    Bytes Body;
};

// Header, body and pad byte.
inline Bytes ChunkWithHeader(const Chunk& pChunk) {
    Bytes out;
    PutText(out, pChunk.Id);
    PutU32(out, uint32_t(pChunk.Body.size()));
    out.insert(out.end(), pChunk.Body.begin(), pChunk.Body.end());
    if (pChunk.Body.size() % 2 != 0) out.push_back(0);
    return out;
}

struct BextValues {
    std::string Description, Originator, OriginatorReference;
    std::string Date = "2024-05-06", Time = "07:08:09";
    uint64_t TimeReference = 0;
    uint16_t Version = 2;
    int16_t Loudness[5] = {-2300, 540, -120, -900, -1500};
    std::string CodingHistory = "A=PCM,F=8000,W=16,M=mono\r\n";
};
inline Chunk Bext(const BextValues& pV) {
    Bytes b;
    PutField(b, pV.Description, 256);
    PutField(b, pV.Originator, 32);
    PutField(b, pV.OriginatorReference, 32);
    PutField(b, pV.Date, 10);
    PutField(b, pV.Time, 8);
    PutU32(b, uint32_t(pV.TimeReference));
    PutU32(b, uint32_t(pV.TimeReference >> 32));
    PutU16(b, pV.Version);
    b.insert(b.end(), 64, 0x11); // UMID
    for (int16_t v : pV.Loudness)
        PutU16(b, uint16_t(v));
    b.insert(b.end(), 180, 0);
    PutText(b, pV.CodingHistory);
    return {"bext", b};
}

struct CuePoint {
    uint32_t Id;
    uint32_t Frame;
};
inline Chunk Cue(const std::vector<CuePoint>& pPoints) {
    Bytes b;
    PutU32(b, uint32_t(pPoints.size()));
    for (const CuePoint& p : pPoints) {
        PutU32(b, p.Id);
        PutU32(b, p.Frame); // play position
        PutText(b, "data");
        PutU32(b, 0);
        PutU32(b, 0);
        PutU32(b, p.Frame);
    }
    return {"cue ", b};
}

// A LIST chunk of the given type from sub-chunks.
inline Chunk List(const std::string& pType, const std::vector<Chunk>& pSubs) {
    Bytes b;
    PutText(b, pType);
    for (const Chunk& sub : pSubs) {
        const Bytes one = ChunkWithHeader(sub);
        b.insert(b.end(), one.begin(), one.end());
    }
    return {"LIST", b};
}
inline Chunk Label(const std::string& pId, uint32_t pCue, const std::string& pText) {
    Bytes b;
    PutU32(b, pCue);
    PutText(b, pText);
    b.push_back(0);
    return {pId, b};
}
inline Chunk Region(uint32_t pCue, uint32_t pLength, const std::string& pText) {
    Bytes b;
    PutU32(b, pCue);
    PutU32(b, pLength);
    PutText(b, "rgn ");
    PutU16(b, 0);
    PutU16(b, 0);
    PutU16(b, 0);
    PutU16(b, 0);
    PutText(b, pText);
    b.push_back(0);
    return {"ltxt", b};
}
inline Chunk InfoText(const std::string& pId, const std::string& pText) {
    Bytes b(pText.begin(), pText.end());
    b.push_back(0);
    return {pId, b};
}

struct Loop {
    uint32_t Start, End; // End is the last frame of the loop
};
inline Chunk Smpl(const std::vector<Loop>& pLoops, const Bytes& pSamplerData = {}) {
    Bytes b;
    for (uint32_t v : {0u, 0u, 125000u, 60u, 0u, 0u, 0u})
        PutU32(b, v);
    PutU32(b, uint32_t(pLoops.size()));
    PutU32(b, uint32_t(pSamplerData.size()));
    uint32_t id = 1;
    for (const Loop& l : pLoops) {
        for (uint32_t v : {id++, 0u, l.Start, l.End, 0u, 0u})
            PutU32(b, v);
    }
    b.insert(b.end(), pSamplerData.begin(), pSamplerData.end());
    return {"smpl", b};
}

// A WAV of format tag pTag (1: PCM, 3: float): "fmt ", the chunks before, the data (pad byte
// when odd), the chunks after.
inline Bytes Wav(int32_t pRate, int32_t pBits, int32_t pChannels, const Bytes& pData,
                 const std::vector<Chunk>& pBefore, const std::vector<Chunk>& pAfter,
                 uint16_t pTag = 1) {
    auto text = [](const std::vector<Chunk>& pChunks) {
        std::string all;
        for (const Chunk& c : pChunks)
            all += testwav::Chunk(c.Id, std::string(c.Body.begin(), c.Body.end()));
        return all;
    };
    const std::string wav =
        testwav::Wav({pRate, pBits, pChannels, false, false, 0, pTag},
                     std::string(pData.begin(), pData.end()), text(pBefore), text(pAfter));
    return Bytes(wav.begin(), wav.end());
}

// The chunks of a WAV file in order, strictly: the RIFF size must match the file, every chunk
// must fit and the pad bytes be in place; none otherwise.
struct FoundChunk {
    std::string Id;
    Bytes Body;
};
inline std::optional<std::vector<FoundChunk>> StrictChunks(const Bytes& pFile) {
    if (pFile.size() < 12 || std::memcmp(pFile.data(), "RIFF", 4) != 0 ||
        std::memcmp(pFile.data() + 8, "WAVE", 4) != 0 || U32At(pFile, 4) + 8 != pFile.size())
        return std::nullopt;
    std::vector<FoundChunk> chunks;
    size_t pos = 12;
    while (pos < pFile.size()) {
        if (pos + 8 > pFile.size()) return std::nullopt;
        const size_t size = U32At(pFile, pos + 4);
        const size_t padded = size + size % 2;
        if (pos + 8 + padded > pFile.size()) return std::nullopt;
        chunks.push_back(
            {std::string(reinterpret_cast<const char*>(&pFile[pos]), 4),
             Bytes(pFile.begin() + long(pos + 8), pFile.begin() + long(pos + 8 + size))});
        pos += 8 + padded;
    }
    return chunks;
}

// The first chunk of that id (and LIST type), or nullptr.
inline const FoundChunk* Find(const std::vector<FoundChunk>& pChunks, const std::string& pId,
                              const std::string& pListType = {}) {
    for (const FoundChunk& c : pChunks)
        if (c.Id == pId &&
            (pListType.empty() ||
             (c.Body.size() >= 4 && std::string(c.Body.begin(), c.Body.begin() + 4) == pListType)))
            return &c;
    return nullptr;
}

// The ids in order.
inline std::vector<std::string> Ids(const std::vector<FoundChunk>& pChunks) {
    std::vector<std::string> ids;
    for (const FoundChunk& c : pChunks)
        ids.push_back(c.Id);
    return ids;
}

// (id, frame) of each cue point; (start, end) of each loop.
inline std::vector<std::pair<uint32_t, uint32_t>> CuePoints(const Bytes& pCue) {
    std::vector<std::pair<uint32_t, uint32_t>> points;
    for (uint32_t i = 0; i < U32At(pCue, 0); ++i)
        points.emplace_back(U32At(pCue, 4 + i * 24), U32At(pCue, 4 + i * 24 + 20));
    return points;
}
inline std::vector<std::pair<uint32_t, uint32_t>> Loops(const Bytes& pSmpl) {
    std::vector<std::pair<uint32_t, uint32_t>> loops;
    for (uint32_t i = 0; i < U32At(pSmpl, 28); ++i)
        loops.emplace_back(U32At(pSmpl, 36 + i * 24 + 8), U32At(pSmpl, 36 + i * 24 + 12));
    return loops;
}
inline uint64_t TimeReference(const Bytes& pBext) {
    return uint64_t(U32At(pBext, 338)) | uint64_t(U32At(pBext, 342)) << 32;
}

} // namespace wavchunks
