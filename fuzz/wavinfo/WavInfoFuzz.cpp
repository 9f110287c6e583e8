// Feeds arbitrary bytes to the header reader and the chunk walk through a file: every input
// must give a record or -1, with no crash and no unbounded loop. A valid file's metadata chunks
// then go through the copier: adjusted to an edit chosen by the input's last bytes and written
// around silent audio into a second file, which must be a well-formed WAV file whose chunks
// read back as written and stand a second check unchanged.
//
// The first byte chooses how the file is made. Even: the rest is the file. Odd: the next two
// bytes give a count of empty "JUNK" chunks and the file is the next 12 bytes (the RIFF
// header), those chunks, then the remaining bytes; so short inputs reach the walker's limit of
// 65,536 chunks. A second count byte of 0xFF gives 65,408 + the first (both sides of the
// limit), any other up to 1,023: a walk of 65,536 chunks takes about half a second, so only
// inputs that ask for it pay for it.
#include "engine/MetadataChunks.h"
#include "engine/WaveMMIO.h"
#include "fuzz/MemoryFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The file an input stands for; pChunks gets the number of empty chunks put in front.
std::vector<uint8_t> BuildFile(const uint8_t* pData, size_t pSize, size_t& pChunks) {
    pChunks = 0;
    if (pSize == 0) return {};
    if ((pData[0] & 1) == 0) return {pData + 1, pData + pSize};
    uint8_t count[2] = {};
    std::memcpy(count, pData + 1, std::min<size_t>(2, pSize - 1));
    const size_t chunks = pChunks = count[1] == 0xff ? 65536 - 128 + size_t(count[0])
                                                     : size_t(count[0]) | size_t(count[1] & 3) << 8;
    const uint8_t* rest = pData + std::min<size_t>(3, pSize);
    const size_t restSize = pSize - size_t(rest - pData);
    const size_t head = std::min<size_t>(12, restSize);
    std::vector<uint8_t> file(rest, rest + head);
    static const uint8_t junk[8] = {'J', 'U', 'N', 'K', 0, 0, 0, 0};
    file.reserve(file.size() + chunks * sizeof junk + restSize - head);
    for (size_t i = 0; i < chunks; ++i)
        file.insert(file.end(), junk, junk + sizeof junk);
    file.insert(file.end(), rest + head, rest + restSize);
    return file;
}

uint32_t GetU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// An edit of the source's frames chosen by up to four bytes: kept range, lead and tail of
// silence (a lead only when the range starts at 0, as the edit job writes one), loudness.
MetadataEdit ChosenEdit(const uint8_t* pData, size_t pSize, int64_t pFrames) {
    uint8_t k[4] = {};
    for (size_t i = 0; i < 4 && i < pSize; ++i)
        k[i] = pData[pSize - 1 - i];
    MetadataEdit edit;
    edit.KeptStart = pFrames * k[0] / 255;
    edit.KeptEnd = edit.KeptStart + (pFrames - edit.KeptStart) * k[1] / 255;
    edit.LeadFrames = edit.KeptStart == 0 ? k[2] % 8 : 0;
    edit.TailFrames = k[3] % 8;
    if (k[2] & 0x80) edit.Loudness = MetadataLoudness{-23.4, 6.5, -1.25};
    if (k[2] & 0x40) edit.AudioUnchanged = true;
    return edit;
}

bool SameChunks(const std::vector<MetadataChunk>& pA, const std::vector<MetadataChunk>& pB) {
    if (pA.size() != pB.size()) return false;
    for (size_t i = 0; i < pA.size(); ++i)
        if (pA[i].Id != pB[i].Id || pA[i].Body != pB[i].Body ||
            pA[i].BeforeData != pB[i].BeforeData)
            return false;
    return true;
}

// The chunk walk of a written file reaches its end exactly, the RIFF size tells its length.
bool WellFormed(const std::vector<uint8_t>& pFile) {
    if (pFile.size() < 12 || GetU32(&pFile[4]) + uint64_t(8) != pFile.size()) return false;
    size_t pos = 12;
    while (pos + 8 <= pFile.size()) {
        const uint64_t size = GetU32(&pFile[pos + 4]);
        pos += 8 + size + size % 2;
    }
    return pos == pFile.size();
}

void PutU16(std::vector<uint8_t>& pBytes, uint16_t pV) {
    pBytes.push_back(uint8_t(pV));
    pBytes.push_back(uint8_t(pV >> 8));
}
void PutU32(std::vector<uint8_t>& pBytes, uint32_t pV) {
    PutU16(pBytes, uint16_t(pV));
    PutU16(pBytes, uint16_t(pV >> 16));
}

// The result's header up to the data chunk's size, in the source's own encoding (as the edit
// job writes it): its format tag, and for an extensible source its sub-format.
std::vector<uint8_t> ResultHeader(const WaveInfo& pInfo) {
    const bool extensible = pInfo.FormatTag == -2;
    std::vector<uint8_t> head = {'R', 'I', 'F', 'F', 0,   0,   0,   0,
                                 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    PutU32(head, extensible ? 40 : 16);
    PutU16(head, uint16_t(pInfo.FormatTag));
    PutU16(head, uint16_t(pInfo.Channels));
    PutU32(head, uint32_t(pInfo.SampleRate));
    PutU32(head, uint32_t(pInfo.SampleRate) * uint32_t(pInfo.BlockAlign));
    PutU16(head, uint16_t(pInfo.BlockAlign));
    PutU16(head, uint16_t(pInfo.BitsPerSample));
    if (extensible) {
        PutU16(head, 22);
        PutU16(head, uint16_t(pInfo.BitsPerSample));
        PutU32(head, 0);
        PutU16(head, uint16_t(pInfo.SubFormatTag));
        const uint8_t guid[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        head.insert(head.end(), guid, guid + sizeof guid);
    }
    const uint8_t data[8] = {'d', 'a', 't', 'a', 0, 0, 0, 0};
    head.insert(head.end(), data, data + sizeof data);
    return head;
}

// The source's metadata through the copier: header, chunks before the data, silent audio,
// pad byte, chunks after it, sizes fixed; then read back.
void CopyMetadata(const std::string& pSource, const WaveInfo& pInfo, const uint8_t* pData,
                  size_t pSize) {
    static MemoryFile result;
    const FileHandle source = OpenForRead(pSource);
    if (source == 0) std::abort();
    const MetadataChunks read = ReadMetadataChunks(source, pInfo);
    CloseFile(source);
    const MetadataEdit edit = ChosenEdit(pData, pSize, pInfo.SampleFrames);
    MetadataChunks kept = AdjustMetadata(read, edit);
    if (kept.Kept.size() + kept.Dropped.size() < read.Kept.size()) std::abort();

    const int64_t dataBytes = edit.OutputFrames() * pInfo.BlockAlign;
    if (dataBytes > (1 << 20)) return;
    PlaceAroundData(kept.Kept, dataBytes);
    const std::vector<uint8_t> head = ResultHeader(pInfo);
    result.Fill(head.data(), head.size());
    const FileHandle out = result.Handle();
    if (WriteChunksBeforeData(out, ChunkBytes(kept.Kept, true)) != 1) std::abort();
    std::vector<uint8_t> rest(size_t(dataBytes + dataBytes % 2), 0);
    const std::vector<uint8_t> after = ChunkBytes(kept.Kept, false);
    rest.insert(rest.end(), after.begin(), after.end());
    if (!rest.empty() &&
        WriteByHandle(out, GetSizeByHandle(out), rest.data(), int32_t(rest.size())) != 1)
        std::abort();
    if (FixWaveSizes(result.Path(), int32_t(dataBytes % 2 + int64_t(after.size())), 0, out) != 1)
        std::abort();

    // A well-formed file whose audio and chunks are the ones written.
    std::vector<uint8_t> file(size_t(GetSizeByHandle(out)));
    int64_t got = 0;
    if (ReadByHandle(out, 0, file.data(), int32_t(file.size()), &got) != 1 ||
        got != int64_t(file.size()) || !WellFormed(file))
        std::abort();
    const WaveInfo back = ReadWaveInfo(result.Path());
    if (back.Valid != 1 || back.DataSize != dataBytes || back.SampleRate != pInfo.SampleRate ||
        back.Channels != pInfo.Channels || back.BitsPerSample != pInfo.BitsPerSample)
        std::abort();
    const FileHandle again = OpenForRead(result.Path());
    const MetadataChunks reread = ReadMetadataChunks(again, back);
    CloseFile(again);
    if (!reread.Dropped.empty() || !SameChunks(reread.Kept, kept.Kept)) std::abort();
    // Every chunk written is one the copier takes as it is.
    const MetadataChunks checked = AdjustMetadata(reread, UnchangedEdit(edit.OutputFrames()));
    if (!checked.Dropped.empty() || !SameChunks(checked.Kept, kept.Kept)) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize) {
    static MemoryFile scratch;
    size_t chunks = 0;
    const std::vector<uint8_t> file = BuildFile(pData, pSize, chunks);
    scratch.Fill(file.data(), file.size());
    const int64_t size = int64_t(file.size());
    const WaveInfo info = ReadWaveInfo(scratch.Path());
    if (info.Valid == 1) {
        // A valid record must be self-consistent.
        if (info.FormatCode < 0 || info.FormatCode > 41 || info.SampleRate <= 0 ||
            info.FileSize != size || info.DataOffset < 20 || info.SampleFrames < 0)
            std::abort();
        // The data never reaches past the end of the file.
        if (info.DataSize < 0 || info.DataOffset + info.DataSize > size ||
            int64_t(info.SampleFrames) * info.BlockAlign > info.DataSize)
            std::abort();
    }
    (void)EncodingName(info);
    (void)LayoutProblem(info);
    const int64_t data = FindChunk(scratch.Path(), kChunkData);
    if (data != -1 && (data < 12 || data + 4 > size)) std::abort();
    // The walk stops after 65,536 chunks: behind that many empty ones nothing is found.
    if (chunks >= 65536 && (data != -1 || info.Valid != 0)) std::abort();
    (void)GetSoundFileType(scratch.Path());
    if (info.Valid == 1) CopyMetadata(scratch.Path(), info, pData, pSize);
    return 0;
}
