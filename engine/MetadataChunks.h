#pragma once

// The metadata chunks of a WAV file (tags, broadcast extension, cue points and their labels,
// loops, production notes, ID3 tags) as an edit carries them from the source to the result:
// read in file order, adjusted to the kept range, dropped where they describe the old audio or
// are malformed, and written back around the audio. The adjusting is pure (bytes in, bytes
// out); only the reading and the two writing hooks touch files.

#include "engine/FileIO.h"
#include "engine/WaveMMIO.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// "abcd" as a chunk id: the four id bytes read little-endian.
constexpr uint32_t ChunkId(const char (&pText)[5]) {
    return uint32_t(uint8_t(pText[0])) | uint32_t(uint8_t(pText[1])) << 8 |
           uint32_t(uint8_t(pText[2])) << 16 | uint32_t(uint8_t(pText[3])) << 24;
}
// The four id bytes as text ("LIST", "cue ").
std::string ChunkIdText(uint32_t pId);

// A chunk is held in memory; larger ones, and more than this in all, are dropped.
constexpr int64_t kMaxMetadataChunkBytes = 16 * 1048576;
constexpr int64_t kMaxMetadataBytes = 64 * 1048576;

struct MetadataChunk {
    uint32_t Id = 0;
    std::vector<uint8_t> Body; // without the 8-byte header and the pad byte
    bool BeforeData = true;    // stood before the data chunk in the source
};

struct DroppedChunk {
    uint32_t Id = 0;
    int64_t Size = 0; // the size field
    std::string Reason;
};

// True when a dropped chunk held something a user may miss: anything but padding and the
// chunks that describe the old audio (peak envelope, checksum, ...), which no result should keep.
bool LosesMetadata(const DroppedChunk& pChunk);

struct MetadataChunks {
    std::vector<MetadataChunk> Kept; // in the source's order
    std::vector<DroppedChunk> Dropped;
};

// The chunks of a source other than "fmt ", "data" and the RF64 size table, through an open
// read handle. The chunks that describe the old audio (PEAK, levl, fact, MD5) and padding
// (JUNK, PAD, FLLR) are dropped, as is a chunk cut short by the end of the file, one larger
// than kMaxMetadataChunkBytes, or one past kMaxMetadataBytes. Nothing for a record that is not
// valid.
MetadataChunks ReadMetadataChunks(FileHandle pSource, const WaveInfo& pInfo);

// The loudness of the result when the loudness mode set its gain.
struct MetadataLoudness {
    double IntegratedLufs = 0.0;
    std::optional<double> RangeLu;
    std::optional<double> TruePeakDbtp;
};

// How an edit maps source frames to result frames: [KeptStart, KeptEnd) of the source is
// written after LeadFrames of silence and followed by TailFrames of silence.
struct MetadataEdit {
    int64_t KeptStart = 0;
    int64_t KeptEnd = 0;
    int64_t LeadFrames = 0;
    int64_t TailFrames = 0;
    std::optional<MetadataLoudness> Loudness; // none: the bext loudness fields are zeroed
    bool AudioUnchanged = false;              // the bext loudness fields still describe the audio

    int64_t OutputFrames() const { return LeadFrames + (KeptEnd - KeptStart) + TailFrames; }
    int64_t ToOutput(int64_t pSourceFrame) const { return pSourceFrame - KeptStart + LeadFrames; }
};

// The edit that keeps all pFrames frames as they are (AudioUnchanged).
MetadataEdit UnchangedEdit(int64_t pFrames);

// The chunks adjusted to the edit; those that no longer fit, or are malformed, move to Dropped,
// as does a note for a cue or smpl chunk that lost points to the 32-bit position fields.
MetadataChunks AdjustMetadata(const MetadataChunks& pChunks, const MetadataEdit& pEdit);

// One chunk each; none when the body is malformed. The bext time reference advances by the
// frames cut at the start; its version-2 loudness fields come from pEdit.Loudness, or are
// zeroed without it (kept when AudioUnchanged).
std::optional<std::vector<uint8_t>> AdjustBext(const std::vector<uint8_t>& pBody,
                                               const MetadataEdit& pEdit);

// The "fact" chunk of a float source: its frame count becomes the result's.
std::optional<std::vector<uint8_t>> AdjustFact(const std::vector<uint8_t>& pBody,
                                               const MetadataEdit& pEdit);

// Cue points: those inside the kept range shift, the rest go, as do those that would move
// past the 32-bit position field.
struct CueAdjusted {
    std::vector<uint8_t> Body;
    std::map<uint32_t, int64_t> KeptAt; // cue id -> its result frame
    std::set<uint32_t> DroppedIds;
    size_t Count = 0;  // points kept
    size_t Unheld = 0; // points dropped for a position past frame 0xFFFFFFFF
};
std::optional<CueAdjusted> AdjustCue(const std::vector<uint8_t>& pBody, const MetadataEdit& pEdit);

// A LIST/adtl body: labels and notes of dropped cue points go, region lengths are cut at
// the result's end. pCue: the cue points of the file (none when it has no cue chunk).
std::optional<std::vector<uint8_t>> AdjustAdtl(const std::vector<uint8_t>& pBody,
                                               const CueAdjusted& pCue, const MetadataEdit& pEdit);

// Sampler loops: those inside the kept range shift, the rest go, as do those that would move
// past the 32-bit position fields (counted in pUnheld).
std::optional<std::vector<uint8_t>>
AdjustSmpl(const std::vector<uint8_t>& pBody, const MetadataEdit& pEdit, size_t* pUnheld = nullptr);

// A LIST body whose sub-chunks fill it exactly (pad bytes of odd ones included; a missing
// last pad byte is tolerated).
bool IsWellFormedList(const std::vector<uint8_t>& pBody);

// A data size of 0 reads as "to the end of the file" (a recording never finished) to this and
// other readers, so the chunks after an empty data chunk would be taken for audio: with no
// audio bytes, every chunk goes before the data.
void PlaceAroundData(std::vector<MetadataChunk>& pChunks, int64_t pDataBytes);

// The chunks before (or after) the data, each with its header and pad byte, in order.
std::vector<uint8_t> ChunkBytes(const std::vector<MetadataChunk>& pChunks, bool pBeforeData);

// The header hook: the file at pHandle holds a fresh header that ends with the data chunk's
// 8-byte header (size not yet set); pBytes go in front of it. 1 on success (also for no bytes).
int32_t WriteChunksBeforeData(FileHandle pHandle, const std::vector<uint8_t>& pBytes);

// What --info shows: the text fields of LIST/INFO and of bext.
struct BextText {
    std::string Description, Originator, OriginatorReference, OriginationDate, OriginationTime;
    uint64_t TimeReference = 0;
    int32_t Version = 0;
};
std::vector<std::pair<std::string, std::string>> InfoTags(const MetadataChunks& pChunks);
std::optional<BextText> BextFields(const MetadataChunks& pChunks);
// "INFO" or "adtl" for a LIST chunk; empty for other chunks.
std::string ListType(const MetadataChunk& pChunk);
