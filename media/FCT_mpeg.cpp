#include "media/FCT_mpeg.h"

#include "engine/FileIO.h"
#include "services/core/ErrorLog.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace {

constexpr int32_t kHeadBytes = 48;
constexpr int32_t kChunkBytes = 1000;
constexpr int32_t kTagWindow = 1024;
// Bytes read from the accepted frame: enough for a "Xing" header with its table of contents
// and the encoder's extension behind it.
constexpr int32_t kFrameHeadBytes = 256;
// How far past its start the search looks for a frame: a file without MPEG audio is not read
// to its end a chunk at a time.
constexpr int64_t kSearchLimit = 1 << 20;

using Head = std::array<uint8_t, kHeadBytes>;
using Header = std::array<uint8_t, 4>;

// A buffer read at a known file offset.
struct Chunk {
    std::vector<uint8_t> Bytes;
    int64_t Offset = 0;
};

bool ReadCleared(const MpegByteSource& pSource, uint8_t* pBuffer, int32_t pCount,
                 int64_t pPosition) {
    std::memset(pBuffer, 0, size_t(pCount));
    return pSource.Read(pBuffer, pCount, pPosition);
}

bool HasText(const uint8_t* pBytes, const char* pText) {
    return std::memcmp(pBytes, pText, std::strlen(pText)) == 0;
}

uint32_t BigEndian32(const uint8_t* pBytes) {
    return (uint32_t(pBytes[0]) << 24) | (uint32_t(pBytes[1]) << 16) | (uint32_t(pBytes[2]) << 8) |
           uint32_t(pBytes[3]);
}

int32_t SynchsafeSize(const uint8_t* pBytes) {
    return ((pBytes[0] & 0x7F) << 21) | ((pBytes[1] & 0x7F) << 14) | ((pBytes[2] & 0x7F) << 7) |
           (pBytes[3] & 0x7F);
}

// Second byte of a frame header: the rest of the sync word and a version of MPEG-1, MPEG-2 or
// MPEG-2.5 (bits 01 are reserved); for mp3 files 0xFF (Layer I without CRC) is taken for noise.
bool PassesSync(uint8_t pByte, bool pMp3Name) {
    return (pByte & 0xE0) == 0xE0 && (pByte & 0x18) != 0x08 && !(pMp3Name && pByte == 0xFF);
}

bool IsMpeg1(uint8_t pByte1) {
    return (pByte1 & 0x18) == 0x18;
}
bool IsMpeg25(uint8_t pByte1) {
    return (pByte1 & 0x18) == 0;
}

// Offset of a "Xing" header from the frame start: after the 4 header bytes and the Layer III
// side information, whose size depends on the version and on mono or not.
int32_t XingOffset(uint8_t pByte1, uint8_t pByte3) {
    bool mpeg1 = IsMpeg1(pByte1);
    bool mono = (pByte3 >> 6) == 3;
    int32_t sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    return 4 + sideInfo;
}

// The encoder's delay and padding (12 bits each, in samples) from the extension behind a
// "Xing"/"Info" header: 9 bytes of encoder version ("LAME3.100", "Lavc59.37"), then at offset
// 21 of the extension the two values. Without a readable version there is no extension.
void ReadEncoderGap(const uint8_t* pExtension, MpegInfo& pInfo) {
    if (!std::isalpha(pExtension[0])) return;
    for (int32_t i = 1; i < 4; ++i)
        if (pExtension[i] < 0x20 || pExtension[i] > 0x7E) return;
    const uint8_t* gap = pExtension + 21;
    pInfo.EncoderDelay = (int32_t(gap[0]) << 4) | (gap[1] >> 4);
    pInfo.EncoderPadding = (int32_t(gap[1] & 0x0F) << 8) | gap[2];
}

// Looks for "Xing" in the frame that starts at pFrame; the frame count follows 8 bytes later.
// "Info" is the same header as CBR encoders write it: it gives the frame count too, but the
// stream stays constant-rate (IsVbr 0). "VBRI" (32 bytes after the frame header) is the other
// encoders' VBR header: version, delay, quality (2 bytes each), byte count and frame count.
bool ReadXing(const uint8_t* pFrame, int32_t pAvailable, MpegInfo& pInfo) {
    int32_t at = XingOffset(pFrame[1], pFrame[3]);
    if (at + 12 > pAvailable) return false;
    bool xing = HasText(pFrame + at, "Xing");
    if (!xing && !HasText(pFrame + at, "Info")) {
        constexpr int32_t kVbriAt = 36;
        if (kVbriAt + 18 > pAvailable || !HasText(pFrame + kVbriAt, "VBRI")) return false;
        pInfo.IsVbr = 1;
        pInfo.FrameCount = int32_t(BigEndian32(pFrame + kVbriAt + 14));
        return true;
    }
    pInfo.IsVbr = xing ? 1 : 0;
    pInfo.FrameCount = int32_t(BigEndian32(pFrame + at + 8));
    // The optional fields the flags announce: frames, bytes, table of contents, quality.
    uint32_t flags = BigEndian32(pFrame + at + 4);
    int32_t extension = at + 8 + ((flags & 1) ? 4 : 0) + ((flags & 2) ? 4 : 0) +
                        ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0);
    if (extension + 24 <= pAvailable) ReadEncoderGap(pFrame + extension, pInfo);
    return true;
}

int32_t LayerOf(uint8_t pByte1) {
    switch ((pByte1 >> 1) & 3) {
    case 1:
        return 3;
    case 2:
        return 2;
    case 3:
        return 1;
    default:
        return 0;
    }
}

int32_t BitRateOf(uint8_t pByte2, int32_t pLayer, bool pLsf) {
    static constexpr int16_t kMpeg1[3][14] = {
        {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
    static constexpr int16_t kMpeg2[2][14] = {
        {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
        {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
    int32_t index = pByte2 >> 4;
    if (index == 0 || index == 15) return 0;
    if (!pLsf) return kMpeg1[pLayer - 1][index - 1];
    return kMpeg2[pLayer == 1 ? 0 : 1][index - 1];
}

// MPEG-2 halves the MPEG-1 rates, MPEG-2.5 quarters them.
int32_t SampleRateOf(uint8_t pByte1, uint8_t pByte2) {
    static constexpr int32_t kRates[3] = {44100, 48000, 32000};
    int32_t index = (pByte2 >> 2) & 3;
    if (index == 3) return 0;
    if (IsMpeg1(pByte1)) return kRates[index];
    return IsMpeg25(pByte1) ? kRates[index] / 4 : kRates[index] / 2;
}

int32_t SamplesPerFrame(int32_t pLayer, bool pLsf) {
    if (pLayer == 1) return 384;
    if (pLayer == 3 && pLsf) return 576;
    return 1152;
}

// Size in bytes of the frame a header describes, from its rate, sampling rate and padding
// bit; nothing for a header that cannot start a frame (free format, reserved values).
std::optional<int64_t> FrameBytesOf(const uint8_t* pHeader) {
    int32_t layer = LayerOf(pHeader[1]);
    if (layer == 0) return std::nullopt;
    bool lsf = !IsMpeg1(pHeader[1]);
    int64_t bitRate = BitRateOf(pHeader[2], layer, lsf);
    int64_t sampleRate = SampleRateOf(pHeader[1], pHeader[2]);
    if (bitRate == 0 || sampleRate == 0) return std::nullopt;
    int64_t padding = (pHeader[2] >> 1) & 1;
    if (layer == 1) return (12000 * bitRate / sampleRate + padding) * 4;
    int64_t slotsPerKbit = SamplesPerFrame(layer, lsf) / 8 * 1000;
    return slotsPerKbit * bitRate / sampleRate + padding;
}

// A frame-count header ("Xing", "Info" or "VBRI") has been taken.
bool HasFrameCountHeader(const MpegInfo& pInfo) {
    return pInfo.IsVbr || pInfo.FrameCount != 0;
}

// Where the search starts, and the second byte a header must repeat (if any).
struct SearchStart {
    int64_t Offset = 0;
    std::optional<uint8_t> Remembered;
};

struct Found {
    Chunk Where;
    int32_t Pos = 0;
    std::optional<Header> Next; // the header of the frame behind it, when the file holds one
};

// What lies where the frame after a candidate should start.
enum class NextFrame { Confirms, Missing, Contradicts };

// The frame after the candidate at pPos must start with a header of the same version, layer
// and sampling rate that can itself start a frame. The channel mode and rate may differ (an
// "Info" frame is often written as Stereo, at another rate, in front of the audio). No room
// for a header before the end of the file, or an ID3v1 tag there, is Missing.
NextFrame CheckNextFrame(const MpegByteSource& pSource, int64_t pFileSize, const Chunk& pChunk,
                         int32_t pPos, Header& pNext) {
    const uint8_t* header = pChunk.Bytes.data() + pPos;
    auto frameBytes = FrameBytesOf(header);
    if (!frameBytes) return NextFrame::Contradicts;
    int64_t next = pChunk.Offset + pPos + *frameBytes;
    if (next + 4 > pFileSize) return NextFrame::Missing;
    int64_t inChunk = next - pChunk.Offset;
    if (inChunk + 4 <= int64_t(pChunk.Bytes.size())) {
        std::memcpy(pNext.data(), pChunk.Bytes.data() + inChunk, 4);
    } else if (!ReadCleared(pSource, pNext.data(), 4, next)) {
        return NextFrame::Contradicts;
    }
    if (HasText(pNext.data(), "TAG")) return NextFrame::Missing;
    bool sameStream = pNext[0] == 0xFF && (pNext[1] & 0xFE) == (header[1] & 0xFE) &&
                      (pNext[2] & 0x0C) == (header[2] & 0x0C);
    return sameStream && FrameBytesOf(pNext.data()) ? NextFrame::Confirms : NextFrame::Contradicts;
}

// Searches chunk after chunk from the start. A candidate passes the sync test (or repeats the
// remembered second byte) and is taken when the next frame's header confirms it; a lone frame
// whose successor would lie past the end of the audio is taken only at the start itself, where
// the audio is expected, so that stray bytes near the end of a file are not taken for one.
std::optional<Found> SearchHeader(const MpegByteSource& pSource, int64_t pFileSize, bool pMp3Name,
                                  SearchStart pStart) {
    Chunk chunk;
    chunk.Bytes.resize(kChunkBytes);
    int64_t end = std::min(pFileSize, pStart.Offset + kSearchLimit);
    for (chunk.Offset = pStart.Offset; chunk.Offset < end; chunk.Offset += kChunkBytes) {
        if (!ReadCleared(pSource, chunk.Bytes.data(), kChunkBytes, chunk.Offset))
            return std::nullopt;
        const auto& b = chunk.Bytes;
        for (int32_t q = 0; q + 3 < kChunkBytes; ++q) {
            if (b[q] != 0xFF) continue;
            if (!pStart.Remembered) {
                if (!PassesSync(b[q + 1], pMp3Name)) continue;
                if (b[q + 2] == 0xFF) {
                    pStart.Remembered = b[q + 1];
                    continue;
                }
            } else if (b[q + 1] != *pStart.Remembered || b[q + 2] == 0xFF) {
                continue;
            }
            Header next{};
            switch (CheckNextFrame(pSource, pFileSize, chunk, q, next)) {
            case NextFrame::Confirms:
                return Found{std::move(chunk), q, next};
            case NextFrame::Missing:
                if (chunk.Offset + q == pStart.Offset) return Found{std::move(chunk), q, {}};
                break;
            case NextFrame::Contradicts:
                break;
            }
        }
    }
    return std::nullopt;
}

// Finds the first accepted frame header, after an ID3v2 tag or a leading "TAG" block.
std::optional<Found> LocateFrame(const MpegByteSource& pSource, const Head& pHead, bool pMp3Name,
                                 MpegInfo& pInfo) {
    SearchStart start;
    if (HasText(pHead.data(), "TAG"))
        start.Offset = 128;
    else if (HasText(pHead.data(), "ID3"))
        start.Offset = 10 + int64_t(SynchsafeSize(pHead.data() + 6));
    return SearchHeader(pSource, pInfo.FileSize, pMp3Name, start);
}

// Takes the header bytes of the accepted frame and its "Xing", "Info" or "VBRI" header (from
// the chunk when the frame's first bytes lie in it, else from a new read).
bool TakeFrame(const MpegByteSource& pSource, const Found& pFound, MpegInfo& pInfo) {
    const auto& bytes = pFound.Where.Bytes;
    int64_t p = pFound.Where.Offset + pFound.Pos;
    // Only the frame's own bytes count: a short frame's successor is no encoder extension.
    int64_t frameBytes = FrameBytesOf(bytes.data() + pFound.Pos).value_or(0);
    auto available = int32_t(std::min<int64_t>({kFrameHeadBytes, frameBytes, pInfo.FileSize - p}));
    if (pFound.Pos + kFrameHeadBytes <= int32_t(bytes.size())) {
        ReadXing(bytes.data() + pFound.Pos, available, pInfo);
    } else {
        std::array<uint8_t, kFrameHeadBytes> frame;
        if (ReadCleared(pSource, frame.data(), kFrameHeadBytes, p))
            ReadXing(frame.data(), available, pInfo);
    }
    pInfo.HeaderByte1 = bytes[pFound.Pos + 1];
    pInfo.HeaderByte2 = bytes[pFound.Pos + 2];
    pInfo.HeaderByte3 = bytes[pFound.Pos + 3];
    pInfo.StartPos = int32_t(p + 1);
    return true;
}

uint32_t LittleEndian32(const uint8_t* pBytes) {
    return uint32_t(pBytes[0]) | (uint32_t(pBytes[1]) << 8) | (uint32_t(pBytes[2]) << 16) |
           (uint32_t(pBytes[3]) << 24);
}

// Bytes of the tag that ends at pEnd: an ID3v1 tag, an APEv2 tag (its footer last, its
// header first when it has one) or an ID3v2 tag written at the end (its "3DI" footer last);
// 0 when none ends there or it would reach back past pStart.
int64_t TrailingTagBytes(const MpegByteSource& pSource, int64_t pStart, int64_t pEnd) {
    std::array<uint8_t, 32> b{};
    int64_t tag = 0;
    if (pEnd - pStart >= 128 && ReadCleared(pSource, b.data(), 3, pEnd - 128) &&
        HasText(b.data(), "TAG"))
        tag = 128;
    else if (pEnd - pStart >= 32 && ReadCleared(pSource, b.data(), 32, pEnd - 32) &&
             HasText(b.data(), "APETAGEX"))
        tag = int64_t(LittleEndian32(b.data() + 12)) + ((b[23] & 0x80) ? 32 : 0);
    else if (pEnd - pStart >= 10 && ReadCleared(pSource, b.data(), 10, pEnd - 10) &&
             HasText(b.data(), "3DI") && (b[6] | b[7] | b[8] | b[9]) < 0x80)
        tag = 20 + int64_t(SynchsafeSize(b.data() + 6));
    return tag <= pEnd - pStart ? tag : 0;
}

// Audio ends before the tags at the end of the file (in any order and number); when none is
// found there, at the first "TAG" within the last 1024 bytes, else at the end of the file.
void MeasureData(const MpegByteSource& pSource, MpegInfo& pInfo) {
    const int64_t start = int64_t(pInfo.StartPos) - 1;
    int64_t end = pInfo.FileSize;
    while (int64_t tag = TrailingTagBytes(pSource, start, end))
        end -= tag;
    int64_t dataSize = end - start;
    int32_t n = std::min(kTagWindow, pInfo.FileSize);
    std::vector<uint8_t> tail(size_t(n), 0);
    if (end == pInfo.FileSize &&
        ReadCleared(pSource, tail.data(), n, int64_t(pInfo.FileSize) - n)) {
        for (int32_t t = 0; t + 3 <= n; ++t) {
            if (HasText(tail.data() + t, "TAG")) {
                dataSize = (int64_t(pInfo.FileSize) - n + t) - start;
                break;
            }
        }
    }
    if (dataSize <= 3) dataSize = int64_t(pInfo.FileSize) - start;
    pInfo.DataSize = int32_t(dataSize);
    pInfo.EndPos = pInfo.DataSize + pInfo.StartPos - 1;
}

// Reads a source through a block cache, for walks that look at a few bytes per frame.
class BlockReader {
  public:
    explicit BlockReader(const MpegByteSource& pSource) : m_Source(pSource) {}

    // The 4 bytes at pPos (zeros past the end); false when the read fails.
    bool At(int64_t pPos, Header& pOut) {
        if (pPos < m_Offset || pPos + 4 > m_Offset + kBlockBytes) {
            m_Offset = pPos;
            auto count = int32_t(std::clamp<int64_t>(m_Source.Size - pPos, 4, kBlockBytes));
            std::fill(m_Block.begin(), m_Block.end(), uint8_t(0));
            if (!m_Source.Read(m_Block.data(), count, pPos)) return false;
        }
        std::memcpy(pOut.data(), m_Block.data() + (pPos - m_Offset), 4);
        return true;
    }

  private:
    static constexpr int32_t kBlockBytes = 64 * 1024;
    const MpegByteSource& m_Source;
    std::vector<uint8_t> m_Block = std::vector<uint8_t>(kBlockBytes);
    int64_t m_Offset = -(int64_t(1) << 40);
};

// The frames from the accepted header to the end of the audio.
struct FrameWalk {
    int64_t Frames = 0;
    int64_t Bytes = 0;      // the walked frames' bytes
    bool RatesVary = false; // not every frame has the first one's bit rate
};

// A header of the same stream as pFirst (version, layer, sampling rate) that starts a frame.
std::optional<int64_t> SameStreamFrame(const Header& pHeader, const Header& pFirst) {
    if (pHeader[0] != 0xFF || (pHeader[1] & 0xFE) != (pFirst[1] & 0xFE) ||
        (pHeader[2] & 0x0C) != (pFirst[2] & 0x0C))
        return std::nullopt;
    return FrameBytesOf(pHeader.data());
}

// Counts the frames header to header. Bytes that are no frame are skipped up to the next
// header that the frame behind it confirms. Past the walk limit the rest is estimated from
// the average frame size.
FrameWalk WalkFrames(const MpegByteSource& pSource, const MpegInfo& pInfo, const Header& pFirst) {
    constexpr int64_t kWalkLimit = int64_t(64) << 20;
    BlockReader reader(pSource);
    FrameWalk walk;
    const int64_t end = int64_t(pInfo.EndPos);
    const int64_t limit = std::min(end, int64_t(pInfo.StartPos) - 1 + kWalkLimit);
    Header h{}, next{};
    bool inStep = true; // the accepted header needs no confirmation, nor a frame behind a frame
    for (int64_t pos = int64_t(pInfo.StartPos) - 1; pos + 4 <= limit;) {
        if (!reader.At(pos, h)) break;
        auto bytes = SameStreamFrame(h, pFirst);
        bool confirmed =
            bytes && (inStep || pos + *bytes >= end ||
                      (reader.At(pos + *bytes, next) && SameStreamFrame(next, pFirst)));
        inStep = confirmed && pos + *bytes <= end;
        if (!inStep) {
            ++pos;
            continue;
        }
        if ((h[2] & 0xF0) != (pFirst[2] & 0xF0)) walk.RatesVary = true;
        ++walk.Frames;
        walk.Bytes += *bytes;
        pos += *bytes;
    }
    if (limit < end && walk.Frames > 0) {
        walk.Frames += (end - limit) * walk.Frames / walk.Bytes;
        walk.Bytes += end - limit;
    }
    return walk;
}

// Nearest integer, halves to even; nothing when it does not fit in 32 bits.
std::optional<int32_t> RoundToInt32(double pValue) {
    double r = std::nearbyint(pValue);
    if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max()))
        return std::nullopt;
    return int32_t(r);
}

// Play length of the frame count in milliseconds, less the encoder's delay and padding where
// its extension gives them (so it is the length of the decoded audio); nothing when it rounds
// to 0 or overflows.
std::optional<int32_t> FrameCountLengthMs(const MpegInfo& pInfo) {
    int64_t samples =
        int64_t(uint32_t(pInfo.FrameCount)) * SamplesPerFrame(pInfo.Layer, pInfo.IsLsf);
    int64_t gap = int64_t(pInfo.EncoderDelay) + pInfo.EncoderPadding;
    if (gap < samples) samples -= gap;
    auto length = RoundToInt32(double(samples) / (pInfo.SampleRate / 1000.0));
    if (!length || *length == 0) return std::nullopt;
    return length;
}

// Average rate over the audio bytes, in kbit/s.
std::optional<int32_t> AverageRate(const MpegInfo& pInfo) {
    return RoundToInt32(double(pInfo.DataSize) * 8.0 / pInfo.LengthMs);
}

bool ComputeLength(const MpegByteSource& pSource, const std::optional<Header>& pNext,
                   MpegInfo& pInfo) {
    if (pInfo.IsVbr) {
        auto length = FrameCountLengthMs(pInfo);
        if (!length) return false;
        pInfo.LengthMs = *length;
        auto rate = AverageRate(pInfo);
        if (!rate) return false;
        pInfo.BitRate = *rate;
        return true;
    }
    if (pInfo.FrameCount != 0) {
        // "Info" frame: its own rate is only what holds the tag (a stream copy writes it at
        // the smallest that fits), so the length comes from the frame count and the rate
        // from the first audio frame.
        if (auto length = FrameCountLengthMs(pInfo)) {
            pInfo.LengthMs = *length;
            std::optional<int32_t> rate;
            if (pNext) rate = BitRateOf((*pNext)[2], pInfo.Layer, pInfo.IsLsf);
            if (!rate) rate = AverageRate(pInfo);
            if (!rate) return false;
            pInfo.BitRate = *rate;
            return true;
        }
    }
    // No frame-count header: count the frames; a stream whose rates differ is VBR.
    Header first{0xFF, pInfo.HeaderByte1, pInfo.HeaderByte2, pInfo.HeaderByte3};
    FrameWalk walk = WalkFrames(pSource, pInfo, first);
    // Frames that cover (nearly) all of the audio bytes are the stream; a few frames among
    // other bytes are not, and the length is estimated from the size and the first rate.
    if (walk.Frames > 0 && walk.Bytes * 10 >= int64_t(pInfo.DataSize) * 9) {
        double samples = double(walk.Frames) * SamplesPerFrame(pInfo.Layer, pInfo.IsLsf);
        auto length = RoundToInt32(samples / (pInfo.SampleRate / 1000.0));
        if (!length || *length == 0) return false;
        pInfo.LengthMs = *length;
        if (!walk.RatesVary) return true;
        auto rate = RoundToInt32(double(walk.Bytes) * 8.0 / *length);
        if (!rate) return false;
        pInfo.IsVbr = 1;
        pInfo.BitRate = *rate;
        return true;
    }
    auto length = RoundToInt32(pInfo.DataSize / (pInfo.BitRate / 8.0));
    if (!length) return false;
    pInfo.LengthMs = *length;
    return true;
}

struct ModeNames {
    const char* Long;
    const char* Short;
};

// The channel mode of the audio: behind a "Xing", "Info" or "VBRI" frame that of the next
// frame, as encoders write the header frame in a mode of their own (ffmpeg: Stereo in front
// of Joint Stereo audio).
ModeNames TakeChannelMode(const std::optional<Header>& pNext, MpegInfo& pInfo) {
    static constexpr ModeNames kNames[4] = {
        {"Stereo", "ST"}, {"JointStereo", "JS"}, {"DualChannel", "DC"}, {"Mono", "Mono"}};
    uint8_t modeByte = pInfo.HeaderByte3;
    if (pNext && HasFrameCountHeader(pInfo)) modeByte = (*pNext)[3];
    pInfo.ChannelMode = modeByte >> 6;
    pInfo.Channels = pInfo.ChannelMode == 3 ? 1 : 2;
    return kNames[pInfo.ChannelMode];
}

std::function<std::string()>& DecimalSeparatorSource() {
    static std::function<std::string()> source;
    return source;
}

std::string LocaleDecimalSeparator() {
    std::string separator;
    if (const auto& source = DecimalSeparatorSource())
        separator = source();
    else if (const std::lconv* lc = std::localeconv(); lc && lc->decimal_point)
        separator = lc->decimal_point;
    return separator.empty() ? "." : separator;
}

// The rate in kHz in its shortest decimal form: 44.1, 48, 22.05, 16.
std::string KiloHertzText(int32_t pSampleRate) {
    std::string text = std::to_string(pSampleRate / 1000);
    int32_t rest = pSampleRate % 1000;
    if (rest == 0) return text;
    std::string decimals = std::to_string(1000 + rest).substr(1);
    while (decimals.back() == '0')
        decimals.pop_back();
    return text + LocaleDecimalSeparator() + decimals;
}

// Pads to the fixed text length, counting characters (not UTF-8 continuation bytes).
std::string PadText(std::string pText) {
    int32_t chars = 0;
    for (unsigned char c : pText)
        if ((c & 0xC0) != 0x80) ++chars;
    if (chars < MpegTextLength) pText.append(size_t(MpegTextLength - chars), ' ');
    return pText;
}

void BuildTexts(MpegInfo& pInfo, const ModeNames& pNames) {
    std::string layer = "mp" + std::to_string(pInfo.Layer) + "(";
    std::string rate = std::to_string(pInfo.BitRate);
    pInfo.LongText = PadText(layer + std::to_string(pInfo.SampleRate) + "Hz/" + rate + "kbps" +
                             (pInfo.IsVbr ? "[VBR]" : "") + "/" + pNames.Long + ")");
    pInfo.ShortText = PadText(layer + KiloHertzText(pInfo.SampleRate) + "kHz/" + rate + "kb/" +
                              pNames.Short + ")");
}

int32_t ParseMpeg(const MpegByteSource& pSource, bool pMp3Name, MpegInfo& pInfo) {
    pInfo = MpegInfo{};
    pInfo.ShortText = PadText("");
    pInfo.LongText = PadText("");
    // Sizes beyond 31 bits do not fit the record's fields.
    if (pSource.Size < kHeadBytes || pSource.Size > std::numeric_limits<int32_t>::max()) return 0;
    pInfo.FileSize = int32_t(pSource.Size);
    Head head;
    if (!ReadCleared(pSource, head.data(), kHeadBytes, 0)) return 0;
    auto found = LocateFrame(pSource, head, pMp3Name, pInfo);
    if (!found || !TakeFrame(pSource, *found, pInfo)) return 0;
    MeasureData(pSource, pInfo);

    pInfo.Layer = LayerOf(pInfo.HeaderByte1);
    if (pInfo.Layer == 0) return 0;
    pInfo.IsLsf = IsMpeg1(pInfo.HeaderByte1) ? 0 : 1;
    pInfo.BitRate = BitRateOf(pInfo.HeaderByte2, pInfo.Layer, pInfo.IsLsf);
    if (pInfo.BitRate == 0) return 0;
    pInfo.SampleRate = SampleRateOf(pInfo.HeaderByte1, pInfo.HeaderByte2);
    if (pInfo.SampleRate == 0) return 0;
    if (!ComputeLength(pSource, found->Next, pInfo)) return 0;
    BuildTexts(pInfo, TakeChannelMode(found->Next, pInfo));
    auto blockBytes = RoundToInt32(3456.0 / pInfo.SampleRate * (pInfo.BitRate * 125.0));
    if (!blockBytes) return 0;
    pInfo.BlockBytes = *blockBytes;
    return 1;
}

bool EndsWithMp3(const std::string& pPath) {
    if (pPath.size() < 3) return false;
    std::string last = pPath.substr(pPath.size() - 3);
    for (char& c : last)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return last == "mp3";
}

} // namespace

void SetMpegDecimalSeparatorSource(std::function<std::string()> pSource) {
    DecimalSeparatorSource() = std::move(pSource);
}

int32_t GetMpegInfoFrom(const MpegByteSource& pSource, bool pMp3Name, MpegInfo& pInfo) {
    return CatchUnlessDebugging([&] { return ParseMpeg(pSource, pMp3Name, pInfo); }, int32_t(0));
}

int32_t GetMpegInfo(const std::string& pPath, MpegInfo& pInfo) {
    return GetMpegInfoFrom(FileByteSource(pPath), EndsWithMp3(pPath), pInfo);
}
