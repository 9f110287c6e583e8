#include "engine/WaveMMIO.h"

#include "services/core/Paths.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

// Real WAV files hold a handful of chunks; a walk longer than this is a malformed file.
constexpr int32_t kMaxChunksWalked = 65536;
constexpr int64_t kMaxField = 4294967295LL;

uint16_t GetU16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t GetU32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void PutU16(uint8_t* p, uint32_t pV) {
    p[0] = uint8_t(pV);
    p[1] = uint8_t(pV >> 8);
}
void PutU32(uint8_t* p, uint32_t pV) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(pV >> (8 * i));
}

// Next chunk position after a chunk at pPos with body size pSize (odd bodies carry a pad byte).
int64_t NextChunk(int64_t pPos, int64_t pSize) {
    return pPos + 8 + pSize + IsOdd(pSize);
}

// Reads exactly pCount bytes at pPos through the handle; a short read is a failure.
bool ReadExact(FileHandle pHandle, int64_t pPos, void* pBuffer, int32_t pCount) {
    int64_t got = 0;
    return ReadByHandle(pHandle, pPos, pBuffer, pCount, &got) == 1 && got == pCount;
}

// The 14 bytes after the tag in every sub-format GUID of the form
// {tag-0000-0010-8000-00AA00389B71}.
constexpr uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                   0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr int32_t kExtensionBytes = 24; // cbSize, valid bits, channel mask, GUID

// The sub-format tag of an extensible header's extension (cbSize at 0, GUID at 8); -1 when
// the extension is short or its GUID is not a tag GUID.
int32_t SubFormatOf(const uint8_t* pExtension) {
    if (GetU16(pExtension) < 22) return -1;
    if (std::memcmp(pExtension + 10, kGuidTail, sizeof kGuidTail) != 0) return -1;
    return int32_t(GetU16(pExtension + 8));
}

// Fills the "fmt " fields from the first 16 bytes of its body, and the encoding from the
// extension when given (nullptr: none present); false when the layout is unsupported.
bool TakeFormat(const uint8_t* pFmt, const uint8_t* pExtension, WaveInfo& pInfo) {
    pInfo.HasFormat = 1;
    pInfo.FormatTag = int16_t(GetU16(pFmt));
    pInfo.SubFormatTag = pInfo.FormatTag;
    if (pInfo.FormatTag == kTagExtensible)
        pInfo.SubFormatTag = pExtension ? SubFormatOf(pExtension) : -1;
    if (pInfo.FormatTag == kTagExtensible && pExtension && GetU16(pExtension) >= 22) {
        pInfo.ValidBits = int16_t(GetU16(pExtension + 2));
        pInfo.ChannelMask = GetU32(pExtension + 4);
    }
    pInfo.Channels = int16_t(GetU16(pFmt + 2));
    pInfo.SampleRate = int32_t(GetU32(pFmt + 4));
    pInfo.BitsPerSample = int16_t(GetU16(pFmt + 14));
    pInfo.BlockAlign =
        int32_t(std::nearbyint(double(int32_t(pInfo.BitsPerSample) * pInfo.Channels) / 8.0));
    const int32_t code = WaveFormatCode(pInfo.Channels, pInfo.BitsPerSample);
    if (code < 0) return false;
    pInfo.FormatCode = code;
    return true;
}

// Frames, length and validity once both chunks are known; false for a rate of 0 or below.
// The audio never reaches past the end of the file: a size field of 0 or 0xFFFFFFFF (a header
// never finished) means "to the end of the file", a larger one is cut there. A length in
// milliseconds beyond the 32-bit range (over 24 days) is shown as the largest one.
bool Complete(uint32_t pDataSizeField, int64_t pDs64DataSize, int64_t pFileSize, WaveInfo& pInfo) {
    pInfo.DataSizeField = int64_t(pDataSizeField);
    const int64_t present = std::max<int64_t>(0, pFileSize - pInfo.DataOffset);
    const bool unfinished = pDataSizeField == 0 || pDataSizeField == 0xFFFFFFFFu;
    if (pDataSizeField == 0xFFFFFFFFu && pDs64DataSize >= 0)
        pInfo.DataSize = std::min(pDs64DataSize, present); // RF64: the size is in "ds64"
    else
        pInfo.DataSize = unfinished ? present : std::min(pInfo.DataSizeField, present);
    const int64_t bytesPerFrame = int64_t(pInfo.BitsPerSample) * pInfo.Channels / 8;
    if (bytesPerFrame <= 0) return false;
    pInfo.SampleFrames = pInfo.DataSize / bytesPerFrame;
    if (pInfo.SampleRate <= 0) return false;
    const double ms = std::nearbyint(double(pInfo.SampleFrames) / pInfo.SampleRate * 1000.0);
    pInfo.LengthMs = int32_t(std::min(ms, 2147483647.0));
    pInfo.FileSize = pFileSize;
    pInfo.Valid = 1;
    return true;
}

// Visits the chunks from offset 12 in file order until pVisit(position, id) returns true.
// Stops as well at a chunk header that lies past pLength or cannot be read, and after
// kMaxChunksWalked chunks.
template <class Visit> void WalkChunks(FileHandle pHandle, int64_t pLength, Visit&& pVisit) {
    int64_t pos = 12;
    for (int32_t walked = 0; walked < kMaxChunksWalked; ++walked) {
        uint8_t id[4];
        if (pLength < pos + 4 || !ReadExact(pHandle, pos, id, 4)) return;
        if (pVisit(pos, GetU32(id))) return;
        uint8_t size[4];
        if (pLength < pos + 8 || !ReadExact(pHandle, pos + 4, size, 4)) return;
        pos = NextChunk(pos, int64_t(GetU32(size)));
    }
}

// Fills the record from the "fmt " and "data" chunks, stopping at the first problem.
void ReadChunks(FileHandle pHandle, int64_t pLength, WaveInfo& pInfo) {
    bool haveFmt = false;
    bool haveData = false;
    uint32_t dataSizeField = 0;
    int64_t ds64DataSize = -1;
    WalkChunks(pHandle, pLength, [&](int64_t pPos, uint32_t pChunk) {
        if (pChunk == kChunkDs64) {
            // RF64: 64-bit RIFF size, data size and sample count.
            uint8_t sizes[16];
            if (ReadExact(pHandle, pPos + 8, sizes, 16)) {
                const uint64_t size = uint64_t(GetU32(sizes + 8)) | uint64_t(GetU32(sizes + 12))
                                                                        << 32;
                if (size <= uint64_t(INT64_MAX)) ds64DataSize = int64_t(size);
            }
        } else if (pChunk == kChunkFmt) {
            uint8_t fmt[16];
            if (pLength < pPos + 8 || !ReadExact(pHandle, pPos + 8, fmt, 16)) return true;
            uint8_t size[4];
            uint8_t extension[kExtensionBytes];
            const bool haveExtension = ReadExact(pHandle, pPos + 4, size, 4) &&
                                       GetU32(size) >= 16 + kExtensionBytes &&
                                       ReadExact(pHandle, pPos + 24, extension, kExtensionBytes);
            if (!TakeFormat(fmt, haveExtension ? extension : nullptr, pInfo)) return true;
            haveFmt = true;
        } else if (pChunk == kChunkData) {
            if (pPos + 8 > 2147483647) return true; // DataOffset is a 32-bit field
            pInfo.DataOffset = int32_t(pPos + 8);
            uint8_t size[4];
            if (pLength < pPos + 8 || !ReadExact(pHandle, pPos + 4, size, 4)) return true;
            dataSizeField = GetU32(size);
            haveData = true;
        }
        if (!haveFmt || !haveData) return false;
        Complete(dataSizeField, ds64DataSize, pLength, pInfo);
        return true;
    });
}

} // namespace

int32_t WaveFormatCode(int32_t pChannels, int32_t pBitsPerSample) {
    if (pChannels == 1 || pChannels == 2) {
        const int32_t base = pChannels - 1;
        if (pBitsPerSample == 8) return base;
        if (pBitsPerSample == 16) return 2 + base;
        if (pBitsPerSample == 24) return 4 + base;
    }
    if (pChannels == 6 || pChannels == 8) {
        const int32_t base = pChannels == 6 ? 0 : 1;
        if (pBitsPerSample == 16) return 6 + base;
        if (pBitsPerSample == 24) return 8 + base;
    }
    const bool width =
        pBitsPerSample == 8 || pBitsPerSample == 16 || pBitsPerSample == 24 || pBitsPerSample == 32;
    if (!width || pChannels < 1 || pChannels > 8) return -1;
    return 10 + 8 * (pBitsPerSample / 8 - 1) + pChannels - 1;
}

WaveInfo ReadWaveInfo(const std::string& pPath) {
    FileHandle h = OpenForRead(pPath);
    if (h == 0) return WaveInfo();
    const WaveInfo info = ReadWaveInfoFrom(h);
    CloseFile(h);
    return info;
}

WaveInfo ReadWaveInfoFrom(FileHandle pHandle) {
    WaveInfo info;
    const int64_t length = GetSizeByHandle(pHandle);
    if (length >= 0) ReadChunks(pHandle, length, info);
    return info;
}

int32_t IsPcmEncoding(const WaveInfo& pInfo) {
    return pInfo.HasFormat == 1 && pInfo.SubFormatTag == kTagPcm ? 1 : 0;
}

int32_t IsFloat32Encoding(const WaveInfo& pInfo) {
    return pInfo.HasFormat == 1 && pInfo.SubFormatTag == kTagFloat && pInfo.BitsPerSample == 32 ? 1
                                                                                                : 0;
}

int32_t IsEditableEncoding(const WaveInfo& pInfo) {
    return IsPcmEncoding(pInfo) | IsFloat32Encoding(pInfo);
}

std::string EncodingName(const WaveInfo& pInfo) {
    if (IsEditableEncoding(pInfo)) return {};
    if (pInfo.SubFormatTag == -1) return "extensible header cut short or of an unknown sub-format";
    switch (pInfo.SubFormatTag) {
    case kTagFloat:
        return std::to_string(pInfo.BitsPerSample) + "-bit float";
    case 2:
        return "MS ADPCM";
    case 6:
        return "A-law";
    case 7:
        return "\u00b5-law";
    case 0x11:
        return "IMA ADPCM";
    case 0x31:
        return "GSM 6.10";
    case 0x50:
        return "MPEG audio";
    case 0x55:
        return "MP3";
    default: {
        char text[32];
        std::snprintf(text, sizeof text, "format tag 0x%04X",
                      unsigned(pInfo.SubFormatTag & 0xFFFF));
        return text;
    }
    }
}

std::string LayoutProblem(const WaveInfo& pInfo) {
    const int32_t bits = pInfo.BitsPerSample;
    const int32_t channels = pInfo.Channels;
    std::string problem;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
        problem = std::to_string(bits) + "-bit";
    if (channels < 1 || channels > 8) {
        if (!problem.empty()) problem += ", ";
        problem += std::to_string(channels) + (channels == 1 ? " channel" : " channels");
    }
    return problem;
}

int64_t FindChunk(const std::string& pPath, uint32_t pId) {
    FileHandle h = OpenForRead(pPath);
    if (h == 0) return -1;
    int64_t found = -1;
    WalkChunks(h, GetSizeByHandle(h), [&](int64_t pPos, uint32_t pChunk) {
        if (pChunk == pId) found = pPos;
        return pChunk == pId;
    });
    CloseFile(h);
    return found;
}

namespace {

// Inserts the RF64 reservation right after "WAVE": a "JUNK" chunk that FixWaveSizes turns
// into "ds64" once the file passes the 32-bit sizes.
void ReserveRf64(std::vector<uint8_t>& pHead) {
    uint8_t junk[kRf64ReserveBytes] = {};
    PutU32(&junk[0], kChunkJunk);
    PutU32(&junk[4], kRf64ReserveBytes - 8);
    pHead.insert(pHead.begin() + 12, junk, junk + kRf64ReserveBytes);
    PutU32(&pHead[4], GetU32(&pHead[4]) + kRf64ReserveBytes);
}

// What a header describes beyond rate, width and channels.
struct HeaderLayout {
    bool Extensible = false;
    bool Float = false;
    uint32_t ChannelMask = 0;
    int16_t ValidBits = 0;
};

// The layout WriteWaveHeader writes: extensible for 6 and 8 channels, integer PCM.
HeaderLayout PlainLayout(int16_t pBitsPerSample, int16_t pChannels) {
    HeaderLayout layout;
    layout.Extensible = pChannels == 6 || pChannels == 8;
    layout.ChannelMask = DefaultChannelMask(pChannels);
    layout.ValidBits = pBitsPerSample;
    return layout;
}

// The header bytes of a layout; empty for values a header cannot hold.
std::vector<uint8_t> WaveHeaderBytes(int32_t pSampleRate, int16_t pBitsPerSample, int16_t pChannels,
                                     int32_t pDataSize, const HeaderLayout& pLayout) {
    const int32_t product = int32_t(pBitsPerSample) * pChannels;
    if (pBitsPerSample <= 0 || pChannels <= 0 || product > 32767) return {};
    const int32_t blockAlign = product / 8;
    const int64_t bytesPerSecond = int64_t(blockAlign) * pSampleRate;
    if (pSampleRate < 0 || bytesPerSecond > kMaxField) return {};
    const bool extensible = pLayout.Extensible;
    // A plain float header carries an empty extension (cbSize 0).
    const uint32_t fmtSize = extensible ? 40 : (pLayout.Float ? 18 : 16);
    const int64_t dataSize = FromUInt32Field(pDataSize);

    std::vector<uint8_t> head(20 + fmtSize + 8);
    PutU32(&head[0], kChunkRiff);
    PutU32(&head[4], uint32_t(ToUInt32Field(dataSize + int64_t(head.size()) - 8)));
    PutU32(&head[8], kChunkWave);
    PutU32(&head[12], kChunkFmt);
    PutU32(&head[16], fmtSize);
    PutU16(&head[20], extensible ? 0xFFFE : (pLayout.Float ? kTagFloat : kTagPcm));
    PutU16(&head[22], uint16_t(pChannels));
    PutU32(&head[24], uint32_t(pSampleRate));
    PutU32(&head[28], uint32_t(bytesPerSecond));
    PutU16(&head[32], uint16_t(blockAlign));
    PutU16(&head[34], uint16_t(pBitsPerSample));
    if (extensible) {
        PutU16(&head[36], 22);
        PutU16(&head[38], uint16_t(pLayout.ValidBits));
        PutU32(&head[40], pLayout.ChannelMask);
        PutU16(&head[44], pLayout.Float ? kTagFloat : kTagPcm);
        std::memcpy(&head[46], kGuidTail, sizeof kGuidTail);
    }
    const size_t at = 20 + fmtSize;
    PutU32(&head[at], kChunkData);
    PutU32(&head[at + 4], uint32_t(pDataSize));
    return head;
}

// Creates the file exclusively and writes the header; the open handle, 0 on failure.
// pFollowingBytes is what will be appended after it: a file that would pass the 32-bit sizes
// gets the RF64 reservation.
FileHandle CreateWithHeader(std::vector<uint8_t> pHead, const std::string& pPath,
                            int64_t pFollowingBytes) {
    if (pHead.empty()) return 0;
    if (int64_t(pHead.size()) + pFollowingBytes > kMaxRiffFileBytes) ReserveRf64(pHead);
    const FileHandle h = CreateExclusive(pPath);
    if (h == 0) return 0;
    const FileIdentity created = IdentityOf(h);
    if (WriteAt(pHead.data(), int32_t(pHead.size()), -1, h, pPath) != 0) return h;
    const int err = errno;
    RemoveIfSameFile(pPath, created); // ours, made a moment ago
    errno = err;
    return 0;
}

} // namespace

uint32_t DefaultChannelMask(int32_t pChannels) {
    // Mono centre, stereo, 3.0, quad, 5.0, 5.1, 6.1, 7.1; the first channels beyond.
    constexpr uint32_t kUsual[] = {0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x13F, 0xFF};
    if (pChannels >= 1 && pChannels <= int32_t(std::size(kUsual))) return kUsual[pChannels - 1];
    return pChannels >= 32 ? 0xFFFFFFFFu : (uint32_t(1) << pChannels) - 1;
}

uint32_t ResultChannelMask(const WaveInfo& pSource) {
    return pSource.FormatTag == kTagExtensible ? pSource.ChannelMask
                                               : DefaultChannelMask(pSource.Channels);
}

FileHandle WriteWaveHeader(int32_t pSampleRate, int16_t pBitsPerSample, int16_t pChannels,
                           const std::string& pPath, int32_t pDataSize, int32_t pKeepOpen) {
    const std::vector<uint8_t> head = WaveHeaderBytes(
        pSampleRate, pBitsPerSample, pChannels, pDataSize, PlainLayout(pBitsPerSample, pChannels));
    if (head.empty()) return 0;
    // A file that cannot be deleted would get the header appended to its old contents.
    if (!DeleteFileForced(pPath)) return 0;
    FileHandle h = WriteAt(head.data(), int32_t(head.size()), -1, 0, pPath);
    if (pKeepOpen == 1 || h == 0) return h;
    CloseFile(h);
    return 1;
}

FileHandle CreateWaveHeader(int32_t pSampleRate, int16_t pBitsPerSample, int16_t pChannels,
                            const std::string& pPath, int64_t pFollowingBytes) {
    return CreateWithHeader(WaveHeaderBytes(pSampleRate, pBitsPerSample, pChannels, 0,
                                            PlainLayout(pBitsPerSample, pChannels)),
                            pPath, pFollowingBytes);
}

FileHandle CreateWaveHeaderLike(const WaveInfo& pSource, const std::string& pPath,
                                int64_t pFollowingBytes) {
    HeaderLayout layout;
    const bool extensibleSource = pSource.FormatTag == kTagExtensible;
    layout.Extensible = extensibleSource || pSource.Channels > 2;
    layout.Float = IsFloat32Encoding(pSource) == 1;
    layout.ChannelMask = ResultChannelMask(pSource);
    const bool validBitsFit = pSource.ValidBits > 0 && pSource.ValidBits <= pSource.BitsPerSample;
    layout.ValidBits = extensibleSource && validBitsFit ? pSource.ValidBits : pSource.BitsPerSample;
    return CreateWithHeader(
        WaveHeaderBytes(pSource.SampleRate, pSource.BitsPerSample, pSource.Channels, 0, layout),
        pPath, pFollowingBytes);
}

namespace {

// Writes the RF64 form of a file of pLength bytes whose header holds the reserved "JUNK"
// chunk at offset 12: "RF64", "ds64" with the 64-bit sizes and 0xFFFFFFFF in the 32-bit
// fields. False when the reservation is missing or a write fails.
bool WriteRf64Sizes(FileHandle pHandle, const std::string& pPath, int64_t pLength, int32_t pPad,
                    int32_t pRiffSizeOnly) {
    // The write handle cannot read: the header is read by path, as FindChunk does.
    const FileHandle reader = OpenForRead(pPath);
    uint8_t junk[8];
    uint8_t align[2];
    uint8_t ds64[16];
    const int64_t fmt = FindChunk(pPath, kChunkFmt);
    const int64_t data = FindChunk(pPath, kChunkData);
    const bool readable = ReadExact(reader, 12, junk, 8) && fmt >= 0 && data >= 0 &&
                          ReadExact(reader, fmt + 20, align, 2) &&
                          ReadExact(reader, 20 + 8, ds64, 16);
    CloseFile(reader);
    const uint32_t reserved = GetU32(junk); // "ds64" once fixed before
    if (!readable || (reserved != kChunkJunk && reserved != kChunkDs64) ||
        GetU32(junk + 4) != kRf64ReserveBytes - 8 || GetU16(align) == 0)
        return false;
    const int64_t dataSize = pLength - (data + 8) - pPad;
    if (dataSize < 0) return false;
    uint8_t head[12 + kRf64ReserveBytes] = {};
    PutU32(&head[0], kChunkRf64);
    PutU32(&head[4], 0xFFFFFFFFu);
    PutU32(&head[8], kChunkWave);
    PutU32(&head[12], kChunkDs64);
    PutU32(&head[16], kRf64ReserveBytes - 8);
    const auto put64 = [&](size_t pAt, int64_t pValue) {
        PutU32(&head[pAt], uint32_t(uint64_t(pValue)));
        PutU32(&head[pAt + 4], uint32_t(uint64_t(pValue) >> 32));
    };
    put64(20, pLength - 8);
    if (pRiffSizeOnly) { // the data size and frame count as they were
        std::memcpy(&head[28], ds64, 16);
    } else {
        put64(28, dataSize);
        put64(36, dataSize / GetU16(align));
    }
    uint8_t dataField[4];
    PutU32(dataField, 0xFFFFFFFFu);
    return WriteByHandle(pHandle, 0, head, int32_t(sizeof head)) &&
           (pRiffSizeOnly || WriteByHandle(pHandle, data + 4, dataField, 4));
}

} // namespace

int32_t FixWaveSizes(const std::string& pPath, int32_t pPad, int32_t pRiffSizeOnly,
                     FileHandle pHandle) {
    int64_t length = -1;
    if (pHandle != 0)
        length = GetSizeByHandle(pHandle);
    else
        GetFileSizeByPath(pPath, length);
    if (length < 44) return 0;

    // The caller's handle is written through but never closed here, also on failure.
    const FileHandle h = pHandle != 0 ? pHandle : OpenForWrite(pPath);
    if (length > kMaxField) {
        const int32_t result = WriteRf64Sizes(h, pPath, length, pPad, pRiffSizeOnly) ? 1 : 0;
        if (pHandle == 0) CloseFile(h);
        return result;
    }
    uint8_t field[4];
    PutU32(field, uint32_t(length - 8));
    int32_t result = WriteByHandle(h, 4, field, 4);
    if (result && !pRiffSizeOnly) {
        const int64_t data = FindChunk(pPath, kChunkData);
        if (data < 36) {
            result = 0;
        } else {
            PutU32(field, uint32_t(ToUInt32Field(length - (data + 8) - pPad)));
            result = WriteByHandle(h, data + 4, field, 4);
        }
    }
    if (pHandle == 0) CloseFile(h);
    return result;
}

int32_t SetWaveDataSize(const std::string& pPath, int64_t pDataSize, FileHandle pHandle) {
    if (pDataSize < 0 || pDataSize > kMaxField - 45) return 0;
    const int64_t data = FindChunk(pPath, kChunkData);
    if (data < 0) return 0;
    const int64_t pad = IsOdd(pDataSize);
    const int64_t riffSize = data + pDataSize + pad;
    if (riffSize > kMaxField) return 0; // the RIFF size field could not hold it
    const FileHandle h = pHandle != 0 ? pHandle : OpenForWrite(pPath);
    if (h == 0) return 0;

    uint8_t riffField[4];
    uint8_t dataField[4];
    PutU32(riffField, uint32_t(riffSize));
    PutU32(dataField, uint32_t(pDataSize));
    int32_t result = 0;
    if (WriteByHandle(h, 4, riffField, 4) && WriteByHandle(h, data + 4, dataField, 4) &&
        SeekTo(h, data + 8 + pDataSize + pad) == 0)
        result = SetEndOfFileAt(h, data + 8 + pDataSize + pad);
    if (pHandle == 0) CloseFile(h);
    return result;
}

void Unpack24Mono(const std::vector<Packed24Mono>& pPacked, std::vector<int32_t>& pValues) {
    if (pValues.size() != pPacked.size()) pValues.resize(pPacked.size());
    for (size_t i = 0; i < pPacked.size(); ++i)
        pValues[i] = Unpack24(pPacked[i].data());
}

void Unpack24Stereo(const std::vector<Packed24Stereo>& pPacked, std::vector<SamplePair>& pValues) {
    if (pValues.size() != pPacked.size()) pValues.resize(pPacked.size());
    for (size_t i = 0; i < pPacked.size(); ++i)
        pValues[i] = {Unpack24(pPacked[i].data()), Unpack24(pPacked[i].data() + 3)};
}

void Pack24Mono(const std::vector<int32_t>& pValues, std::vector<Packed24Mono>& pPacked) {
    if (pPacked.size() != pValues.size()) pPacked.resize(pValues.size());
    for (size_t i = 0; i < pValues.size(); ++i)
        Pack24(pValues[i], pPacked[i].data());
}

void Pack24Stereo(const std::vector<SamplePair>& pValues, std::vector<Packed24Stereo>& pPacked) {
    if (pPacked.size() != pValues.size()) pPacked.resize(pValues.size());
    for (size_t i = 0; i < pValues.size(); ++i) {
        Pack24(pValues[i][0], pPacked[i].data());
        Pack24(pValues[i][1], pPacked[i].data() + 3);
    }
}

std::string GetSoundFileType(const std::string& pPath) {
    switch (ReadWaveInfo(pPath).FormatTag) {
    case 1:
        return "wav";
    case 80:
        return "mp2";
    case 85:
        return "mp3";
    case 352:
    case 353:
        return "wmariff";
    default:
        return PathPart(pPath, PathParts::Extension);
    }
}
