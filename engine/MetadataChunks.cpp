#include "engine/MetadataChunks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// As many as the header reader walks: a longer chain is a malformed file.
constexpr int32_t kMaxChunksWalked = 65536;

constexpr uint32_t kBext = ChunkId("bext");
constexpr uint32_t kCue = ChunkId("cue ");
constexpr uint32_t kList = ChunkId("LIST");
constexpr uint32_t kSmpl = ChunkId("smpl");
constexpr uint32_t kInfo = ChunkId("INFO");
constexpr uint32_t kAdtl = ChunkId("adtl");
constexpr uint32_t kFact = ChunkId("fact");
constexpr uint32_t kLtxt = ChunkId("ltxt");

// bext: the fixed part and its fields (offsets into the body).
constexpr size_t kBextFixed = 602;
constexpr size_t kBextTimeReference = 338;
constexpr size_t kBextVersion = 346;
constexpr size_t kBextLoudness = 412; // five 16-bit values in 1/100 LU
constexpr size_t kCuePointBytes = 24;
constexpr size_t kSmplFixed = 36;
constexpr size_t kSmplLoopBytes = 24;
// The last frame a 32-bit position field holds.
constexpr int64_t kMaxPosition = 0xFFFFFFFFLL;
constexpr size_t kLtxtFixed = 20;

const char* const kOldAudio = "describes the old audio";
const char* const kPadding = "padding";
const char* const kMalformed = "malformed";

uint32_t GetU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t GetU16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
void PutU32(uint8_t* p, uint32_t pV) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(pV >> (8 * i));
}
void PutU16(uint8_t* p, uint16_t pV) {
    p[0] = uint8_t(pV);
    p[1] = uint8_t(pV >> 8);
}
void AppendU32(std::vector<uint8_t>& pOut, uint32_t pV) {
    uint8_t b[4];
    PutU32(b, pV);
    pOut.insert(pOut.end(), b, b + 4);
}

// A chunk with its header and pad byte appended to pOut.
void AppendChunk(std::vector<uint8_t>& pOut, uint32_t pId, const uint8_t* pBody, size_t pSize) {
    AppendU32(pOut, pId);
    AppendU32(pOut, uint32_t(pSize));
    pOut.insert(pOut.end(), pBody, pBody + pSize);
    if (pSize % 2 != 0) pOut.push_back(0);
}

// Four printable ASCII bytes, as every real chunk id is.
bool IsIdText(uint32_t pId) {
    for (int i = 0; i < 4; ++i) {
        const uint8_t c = uint8_t(pId >> (8 * i));
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

// Why a chunk never travels to the result, or nullptr when it may.
const char* DropReason(uint32_t pId) {
    for (const uint32_t id : {ChunkId("PEAK"), ChunkId("levl"), ChunkId("fact"), ChunkId("MD5 ")})
        if (pId == id) return kOldAudio;
    for (const uint32_t id : {ChunkId("JUNK"), ChunkId("junk"), ChunkId("PAD "), ChunkId("FLLR")})
        if (pId == id) return kPadding;
    return nullptr;
}

// The container's own chunks, which the header writer makes anew.
bool IsContainerChunk(uint32_t pId) {
    return pId == kChunkFmt || pId == kChunkDs64;
}

// The sub-chunks of a LIST body after its type: (id, offset of the body, size) of each; none
// when they do not fill the body (a missing last pad byte and trailing zero bytes shorter than
// a chunk header are tolerated).
struct SubChunk {
    uint32_t Id;
    size_t Offset;
    size_t Size;
};
std::optional<std::vector<SubChunk>> ListSubChunks(const std::vector<uint8_t>& pBody) {
    if (pBody.size() < 4) return std::nullopt;
    std::vector<SubChunk> subs;
    size_t pos = 4;
    while (pos + 8 <= pBody.size()) {
        const uint32_t id = GetU32(&pBody[pos]);
        const uint64_t size = GetU32(&pBody[pos + 4]);
        if (pos + 8 + size > pBody.size()) return std::nullopt;
        subs.push_back({id, pos + 8, size_t(size)});
        pos += 8 + size_t(size) + size % 2;
    }
    for (; pos < pBody.size(); ++pos)
        if (pBody[pos] != 0) return std::nullopt;
    return subs;
}

// Reads exactly pSize bytes at pPos.
bool ReadWhole(FileHandle pHandle, int64_t pPos, std::vector<uint8_t>& pOut, size_t pSize) {
    pOut.assign(pSize, 0);
    for (size_t done = 0; done < pSize;) {
        int64_t got = 0;
        if (!ReadByHandle(pHandle, pPos + int64_t(done), pOut.data() + done, int32_t(pSize - done),
                          &got) ||
            got <= 0)
            return false;
        done += size_t(got);
    }
    return true;
}

class ChunkReader {
  public:
    // pKeepFact: the source is not integer PCM, whose "fact" chunk (its frame count) the
    // result needs too.
    ChunkReader(FileHandle pHandle, int64_t pLength, MetadataChunks& pOut, bool pKeepFact)
        : m_Handle(pHandle), m_Length(pLength), m_Out(pOut), m_KeepFact(pKeepFact) {}

    // Takes the chunks from pPos up to pEnd; stops at a header that cannot be read or is not
    // a chunk's, at a chunk that passes pEnd, and at the walk's limit.
    void Walk(int64_t pPos, int64_t pEnd, bool pBeforeData) {
        while (pPos + 8 <= pEnd && m_Walked < kMaxChunksWalked) {
            ++m_Walked;
            uint8_t head[8];
            if (!ReadExact(pPos, head, 8)) return;
            const uint32_t id = GetU32(head);
            const int64_t size = GetU32(head + 4);
            if (!IsIdText(id)) {
                m_Out.Dropped.push_back({id, size, kMalformed});
                return;
            }
            if (pPos + 8 + size > pEnd) {
                m_Out.Dropped.push_back({id, size, "cut short"});
                return;
            }
            Take(id, pPos, size, pBeforeData);
            pPos += 8 + size + size % 2;
        }
    }

    // The position of the first chunk after the data: behind its pad byte, or right behind the
    // audio when a writer left the pad byte out. Four printable bytes prove nothing ("IST" and
    // the low byte of a LIST size often are): the position whose chunks fit the file to its end
    // wins.
    int64_t AfterData(int64_t pDataEnd) {
        if (pDataEnd % 2 == 0 || pDataEnd + 9 > m_Length) return pDataEnd + pDataEnd % 2;
        if (WalkFits(pDataEnd + 1)) return pDataEnd + 1;
        if (WalkFits(pDataEnd)) return pDataEnd;
        uint8_t id[4];
        if (ReadExact(pDataEnd + 1, id, 4) && IsIdText(GetU32(id))) return pDataEnd + 1;
        if (ReadExact(pDataEnd, id, 4) && IsIdText(GetU32(id))) return pDataEnd;
        return pDataEnd + 1;
    }

  private:
    // True when chunk headers with text ids lead from pPos to the end of the file (a missing
    // last pad byte and a tail shorter than a header allowed), every chunk inside it.
    bool WalkFits(int64_t pPos) {
        for (int32_t n = 0; pPos + 8 <= m_Length; ++n) {
            uint8_t head[8];
            if (n == kMaxChunksWalked || !ReadExact(pPos, head, 8) || !IsIdText(GetU32(head)))
                return false;
            const int64_t size = GetU32(head + 4);
            if (pPos + 8 + size > m_Length) return false;
            pPos += 8 + size + size % 2;
        }
        return true;
    }

    bool ReadExact(int64_t pPos, uint8_t* pBuffer, int32_t pCount) {
        int64_t got = 0;
        return ReadByHandle(m_Handle, pPos, pBuffer, pCount, &got) == 1 && got == pCount;
    }

    void Take(uint32_t pId, int64_t pPos, int64_t pSize, bool pBeforeData) {
        if (IsContainerChunk(pId)) return;
        const char* reason = pId == kFact && m_KeepFact ? nullptr : DropReason(pId);
        if (!reason && pId == kChunkData) reason = "a second data chunk";
        if (!reason && pSize > kMaxMetadataChunkBytes) reason = "larger than 16 MiB";
        if (!reason && m_KeptBytes + pSize > kMaxMetadataBytes) reason = "past 64 MiB of metadata";
        if (reason) {
            m_Out.Dropped.push_back({pId, pSize, reason});
            return;
        }
        MetadataChunk chunk;
        chunk.Id = pId;
        chunk.BeforeData = pBeforeData;
        if (!ReadWhole(m_Handle, pPos + 8, chunk.Body, size_t(pSize))) {
            m_Out.Dropped.push_back({pId, pSize, "unreadable"});
            return;
        }
        m_KeptBytes += pSize;
        m_Out.Kept.push_back(std::move(chunk));
    }

    FileHandle m_Handle;
    int64_t m_Length;
    MetadataChunks& m_Out;
    int32_t m_Walked = 0;
    int64_t m_KeptBytes = 0;
    bool m_KeepFact = false;
};

// A 1/100 LU field: the value rounded, within the 16-bit range; 0 for none.
int16_t Centi(std::optional<double> pValue) {
    if (!pValue || !std::isfinite(*pValue)) return 0;
    return int16_t(std::clamp<double>(std::nearbyint(*pValue * 100.0), -32768.0, 32767.0));
}

// A fixed text field up to its first NUL.
std::string FieldText(const std::vector<uint8_t>& pBody, size_t pOffset, size_t pSize) {
    const auto* begin = reinterpret_cast<const char*>(pBody.data() + pOffset);
    return std::string(begin, strnlen(begin, pSize));
}

} // namespace

std::string ChunkIdText(uint32_t pId) {
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i)
        text[size_t(i)] = char(uint8_t(pId >> (8 * i)));
    return text;
}

bool LosesMetadata(const DroppedChunk& pChunk) {
    return pChunk.Reason != kOldAudio && pChunk.Reason != kPadding;
}

MetadataChunks ReadMetadataChunks(FileHandle pSource, const WaveInfo& pInfo) {
    MetadataChunks out;
    const int64_t length = GetSizeByHandle(pSource);
    if (pInfo.Valid != 1 || pInfo.DataOffset < 20 || length < pInfo.DataOffset) return out;
    ChunkReader reader(pSource, length, out, IsPcmEncoding(pInfo) == 0);
    reader.Walk(12, pInfo.DataOffset - 8, true);
    const int64_t dataEnd = int64_t(pInfo.DataOffset) + pInfo.DataSize;
    reader.Walk(reader.AfterData(dataEnd), length, false);
    return out;
}

std::optional<std::vector<uint8_t>> AdjustFact(const std::vector<uint8_t>& pBody,
                                               const MetadataEdit& pEdit) {
    if (pBody.size() < 4) return std::nullopt;
    std::vector<uint8_t> body = pBody;
    // More frames than the field holds: all ones, as RF64 writes it.
    const int64_t frames = std::min<int64_t>(pEdit.OutputFrames(), 0xFFFFFFFFLL);
    for (int i = 0; i < 4; ++i)
        body[size_t(i)] = uint8_t(uint64_t(frames) >> (8 * i));
    return body;
}

MetadataEdit UnchangedEdit(int64_t pFrames) {
    MetadataEdit edit;
    edit.KeptEnd = pFrames;
    edit.AudioUnchanged = true;
    return edit;
}

std::optional<std::vector<uint8_t>> AdjustBext(const std::vector<uint8_t>& pBody,
                                               const MetadataEdit& pEdit) {
    if (pBody.size() < kBextFixed) return std::nullopt;
    std::vector<uint8_t> body = pBody;
    uint8_t* tr = &body[kBextTimeReference];
    const uint64_t old = uint64_t(GetU32(tr)) | uint64_t(GetU32(tr + 4)) << 32;
    // The result starts KeptStart - LeadFrames frames after the source did.
    const int64_t shift = pEdit.KeptStart - pEdit.LeadFrames;
    uint64_t now = old;
    if (shift >= 0)
        now = old > std::numeric_limits<uint64_t>::max() - uint64_t(shift)
                  ? std::numeric_limits<uint64_t>::max()
                  : old + uint64_t(shift);
    else
        now = old >= uint64_t(-shift) ? old - uint64_t(-shift) : 0;
    PutU32(tr, uint32_t(now));
    PutU32(tr + 4, uint32_t(now >> 32));

    if (GetU16(&body[kBextVersion]) >= 2 && !pEdit.AudioUnchanged) {
        int16_t fields[5] = {};
        if (pEdit.Loudness) {
            fields[0] = Centi(pEdit.Loudness->IntegratedLufs);
            fields[1] = Centi(pEdit.Loudness->RangeLu);
            fields[2] = Centi(pEdit.Loudness->TruePeakDbtp);
        }
        for (size_t i = 0; i < 5; ++i)
            PutU16(&body[kBextLoudness + 2 * i], uint16_t(fields[i]));
    }
    return body;
}

std::optional<CueAdjusted> AdjustCue(const std::vector<uint8_t>& pBody, const MetadataEdit& pEdit) {
    if (pBody.size() < 4) return std::nullopt;
    const uint64_t count = GetU32(pBody.data());
    if (4 + count * kCuePointBytes > pBody.size()) return std::nullopt;
    CueAdjusted out;
    out.Body.resize(4);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* point = &pBody[4 + i * kCuePointBytes];
        const uint32_t id = GetU32(point);
        const int64_t frame = GetU32(point + 20);
        if (frame < pEdit.KeptStart || frame > pEdit.KeptEnd) {
            out.DroppedIds.insert(id);
            continue;
        }
        const int64_t now = pEdit.ToOutput(frame);
        if (now > kMaxPosition) {
            // Forced margins moved it past what the 32-bit field holds.
            out.DroppedIds.insert(id);
            ++out.Unheld;
            continue;
        }
        uint8_t kept[kCuePointBytes];
        std::memcpy(kept, point, kCuePointBytes);
        // The play position equals the sample offset unless a playlist reorders the points.
        if (GetU32(point + 4) == uint32_t(frame)) PutU32(kept + 4, uint32_t(now));
        PutU32(kept + 20, uint32_t(now));
        out.Body.insert(out.Body.end(), kept, kept + kCuePointBytes);
        out.KeptAt[id] = now;
        out.DroppedIds.erase(id);
        ++out.Count;
    }
    PutU32(out.Body.data(), uint32_t(out.Count));
    return out;
}

std::optional<std::vector<uint8_t>> AdjustAdtl(const std::vector<uint8_t>& pBody,
                                               const CueAdjusted& pCue, const MetadataEdit& pEdit) {
    const auto subs = ListSubChunks(pBody);
    if (!subs) return std::nullopt;
    std::vector<uint8_t> body(pBody.begin(), pBody.begin() + 4);
    for (const SubChunk& sub : *subs) {
        // Every label, note and region starts with the id of its cue point.
        if (sub.Size < 4) continue;
        std::vector<uint8_t> part(pBody.begin() + long(sub.Offset),
                                  pBody.begin() + long(sub.Offset + sub.Size));
        const uint32_t cueId = GetU32(part.data());
        if (pCue.DroppedIds.count(cueId) != 0) continue;
        if (sub.Id == kLtxt) {
            if (sub.Size < kLtxtFixed) continue;
            const auto at = pCue.KeptAt.find(cueId);
            if (at != pCue.KeptAt.end()) {
                const int64_t room = std::max<int64_t>(0, pEdit.OutputFrames() - at->second);
                const int64_t length = GetU32(&part[4]);
                PutU32(&part[4], uint32_t(std::min(length, room)));
            }
        }
        AppendChunk(body, sub.Id, part.data(), part.size());
    }
    return body;
}

std::optional<std::vector<uint8_t>> AdjustSmpl(const std::vector<uint8_t>& pBody,
                                               const MetadataEdit& pEdit, size_t* pUnheld) {
    if (pBody.size() < kSmplFixed) return std::nullopt;
    const uint64_t loops = GetU32(&pBody[28]);
    const uint64_t samplerData = GetU32(&pBody[32]);
    const uint64_t loopsEnd = kSmplFixed + loops * kSmplLoopBytes;
    if (loopsEnd + samplerData > pBody.size()) return std::nullopt;
    std::vector<uint8_t> body(pBody.begin(), pBody.begin() + kSmplFixed);
    uint32_t kept = 0;
    for (size_t i = 0; i < loops; ++i) {
        const uint8_t* loop = &pBody[kSmplFixed + i * kSmplLoopBytes];
        const int64_t start = GetU32(loop + 8);
        const int64_t end = GetU32(loop + 12); // the last frame of the loop, played too
        if (start > end || start < pEdit.KeptStart || end >= pEdit.KeptEnd) continue;
        if (pEdit.ToOutput(end) > kMaxPosition) {
            if (pUnheld) ++*pUnheld;
            continue;
        }
        uint8_t moved[kSmplLoopBytes];
        std::memcpy(moved, loop, kSmplLoopBytes);
        PutU32(moved + 8, uint32_t(pEdit.ToOutput(start)));
        PutU32(moved + 12, uint32_t(pEdit.ToOutput(end)));
        body.insert(body.end(), moved, moved + kSmplLoopBytes);
        ++kept;
    }
    PutU32(&body[28], kept);
    body.insert(body.end(), pBody.begin() + long(loopsEnd), pBody.end());
    return body;
}

bool IsWellFormedList(const std::vector<uint8_t>& pBody) {
    return ListSubChunks(pBody).has_value();
}

std::string ListType(const MetadataChunk& pChunk) {
    if (pChunk.Id != kList || pChunk.Body.size() < 4) return {};
    return ChunkIdText(GetU32(pChunk.Body.data()));
}

MetadataChunks AdjustMetadata(const MetadataChunks& pChunks, const MetadataEdit& pEdit) {
    MetadataChunks out;
    out.Dropped = pChunks.Dropped;
    // The cue points first: the labels may stand before them.
    CueAdjusted cues;
    for (const MetadataChunk& chunk : pChunks.Kept) {
        if (chunk.Id != kCue) continue;
        if (auto cue = AdjustCue(chunk.Body, pEdit)) {
            cues.DroppedIds.insert(cue->DroppedIds.begin(), cue->DroppedIds.end());
            cues.KeptAt.insert(cue->KeptAt.begin(), cue->KeptAt.end());
        }
    }
    for (const auto& [id, frame] : cues.KeptAt)
        cues.DroppedIds.erase(id);

    for (const MetadataChunk& chunk : pChunks.Kept) {
        std::optional<std::vector<uint8_t>> body = chunk.Body;
        const char* emptied = nullptr;
        size_t unheld = 0; // positions past the 32-bit fields, left out
        if (chunk.Id == kBext) {
            body = AdjustBext(chunk.Body, pEdit);
        } else if (chunk.Id == kCue) {
            const auto cue = AdjustCue(chunk.Body, pEdit);
            body.reset();
            if (cue) body = cue->Body;
            if (cue) unheld = cue->Unheld;
            if (cue && cue->Count == 0) emptied = "no cue point in the kept range";
        } else if (chunk.Id == kSmpl) {
            body = AdjustSmpl(chunk.Body, pEdit, &unheld);
        } else if (chunk.Id == kFact) {
            body = AdjustFact(chunk.Body, pEdit);
        } else if (chunk.Id == kList) {
            if (!IsWellFormedList(chunk.Body))
                body.reset();
            else if (GetU32(chunk.Body.data()) == kAdtl)
                body = AdjustAdtl(chunk.Body, cues, pEdit);
            if (body && body->size() == 4 && GetU32(chunk.Body.data()) == kAdtl)
                emptied = "no label left";
        }
        if (unheld > 0)
            out.Dropped.push_back({chunk.Id, int64_t(chunk.Body.size()),
                                   std::to_string(unheld) +
                                       (chunk.Id == kCue ? " cue point" : " loop") +
                                       (unheld == 1 ? "" : "s") +
                                       " past frame 4294967295, which the chunk cannot hold"});
        if (!body || emptied) {
            out.Dropped.push_back(
                {chunk.Id, int64_t(chunk.Body.size()), emptied ? emptied : kMalformed});
            continue;
        }
        out.Kept.push_back({chunk.Id, std::move(*body), chunk.BeforeData});
    }
    return out;
}

void PlaceAroundData(std::vector<MetadataChunk>& pChunks, int64_t pDataBytes) {
    if (pDataBytes != 0) return;
    for (MetadataChunk& chunk : pChunks)
        chunk.BeforeData = true;
}

std::vector<uint8_t> ChunkBytes(const std::vector<MetadataChunk>& pChunks, bool pBeforeData) {
    std::vector<uint8_t> bytes;
    for (const MetadataChunk& chunk : pChunks)
        if (chunk.BeforeData == pBeforeData)
            AppendChunk(bytes, chunk.Id, chunk.Body.data(), chunk.Body.size());
    return bytes;
}

int32_t WriteChunksBeforeData(FileHandle pHandle, const std::vector<uint8_t>& pBytes) {
    if (pBytes.empty()) return 1;
    const int64_t length = GetSizeByHandle(pHandle);
    if (length < 20 || pBytes.size() > size_t(std::numeric_limits<int32_t>::max() - 8)) return 0;
    // The chunks, then the data chunk's header again (its size is set when the audio is in).
    std::vector<uint8_t> bytes = pBytes;
    AppendU32(bytes, kChunkData);
    AppendU32(bytes, 0);
    return WriteByHandle(pHandle, length - 8, bytes.data(), int32_t(bytes.size()));
}

std::vector<std::pair<std::string, std::string>> InfoTags(const MetadataChunks& pChunks) {
    std::vector<std::pair<std::string, std::string>> tags;
    for (const MetadataChunk& chunk : pChunks.Kept) {
        if (chunk.Id != kList || chunk.Body.size() < 4 || GetU32(chunk.Body.data()) != kInfo)
            continue;
        if (const auto subs = ListSubChunks(chunk.Body))
            for (const SubChunk& sub : *subs)
                tags.emplace_back(ChunkIdText(sub.Id), FieldText(chunk.Body, sub.Offset, sub.Size));
    }
    return tags;
}

std::optional<BextText> BextFields(const MetadataChunks& pChunks) {
    for (const MetadataChunk& chunk : pChunks.Kept) {
        if (chunk.Id != kBext || chunk.Body.size() < kBextFixed) continue;
        const std::vector<uint8_t>& b = chunk.Body;
        BextText text;
        text.Description = FieldText(b, 0, 256);
        text.Originator = FieldText(b, 256, 32);
        text.OriginatorReference = FieldText(b, 288, 32);
        text.OriginationDate = FieldText(b, 320, 10);
        text.OriginationTime = FieldText(b, 330, 8);
        text.TimeReference = uint64_t(GetU32(&b[kBextTimeReference])) |
                             uint64_t(GetU32(&b[kBextTimeReference + 4])) << 32;
        text.Version = GetU16(&b[kBextVersion]);
        return text;
    }
    return std::nullopt;
}
