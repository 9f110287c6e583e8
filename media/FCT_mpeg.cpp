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

using Head = std::array<uint8_t, kHeadBytes>;

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

// Second byte of a frame header: MPEG-1 or MPEG-2; for mp3 files 0xFF (Layer I without CRC)
// is taken for noise.
bool PassesSync(uint8_t pByte, bool pMp3Name) {
    return pByte >= 0xF0 && !(pMp3Name && pByte == 0xFF);
}

// Offset of a "Xing" header from the frame start: after the 4 header bytes and the Layer III
// side information, whose size depends on the version and on mono or not.
int32_t XingOffset(uint8_t pByte1, uint8_t pByte3) {
    bool mpeg1 = (pByte1 & 0x08) != 0;
    bool mono = (pByte3 >> 6) == 3;
    int32_t sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    return 4 + sideInfo;
}

// Looks for "Xing" in the frame that starts at pFrame; the frame count follows 8 bytes later.
// "Info" is the same header as CBR encoders write it: it gives the frame count too, but the
// stream stays constant-rate (IsVbr 0).
bool ReadXing(const uint8_t* pFrame, int32_t pAvailable, MpegInfo& pInfo) {
    int32_t at = XingOffset(pFrame[1], pFrame[3]);
    if (at + 12 > pAvailable) return false;
    bool xing = HasText(pFrame + at, "Xing");
    if (!xing && !HasText(pFrame + at, "Info")) return false;
    pInfo.IsVbr = xing ? 1 : 0;
    pInfo.FrameCount = int32_t(BigEndian32(pFrame + at + 8));
    return true;
}

// A frame-count header ("Xing" or "Info") has been taken.
bool HasFrameCountHeader(const MpegInfo& pInfo) {
    return pInfo.IsVbr || pInfo.FrameCount != 0;
}

// Where the search starts, and the second byte a header must repeat (if any).
struct SearchStart {
    int64_t Offset = 0;
    std::optional<uint8_t> Remembered;
};

// Examines every position of the chunk whose four header bytes fit inside it.
std::optional<int32_t> FindHeaderInChunk(const Chunk& pChunk, bool pMp3Name,
                                         std::optional<uint8_t>& pRemembered) {
    const auto& b = pChunk.Bytes;
    for (int32_t q = 0; q + 3 < int32_t(b.size()); ++q) {
        if (b[q] != 0xFF) continue;
        if (!pRemembered) {
            if (!PassesSync(b[q + 1], pMp3Name)) continue;
            if (b[q + 2] == 0xFF) {
                pRemembered = b[q + 1];
                continue;
            }
            return q;
        }
        if (b[q + 1] == *pRemembered && b[q + 2] != 0xFF) return q;
    }
    return std::nullopt;
}

struct Found {
    Chunk Where;
    int32_t Pos = 0;
};

std::optional<Found> SearchHeader(const MpegByteSource& pSource, int64_t pFileSize, bool pMp3Name,
                                  SearchStart pStart) {
    Chunk chunk;
    chunk.Bytes.resize(kChunkBytes);
    for (chunk.Offset = pStart.Offset; chunk.Offset < pFileSize; chunk.Offset += kChunkBytes) {
        if (!ReadCleared(pSource, chunk.Bytes.data(), kChunkBytes, chunk.Offset))
            return std::nullopt;
        if (auto q = FindHeaderInChunk(chunk, pMp3Name, pStart.Remembered))
            return Found{std::move(chunk), *q};
    }
    return std::nullopt;
}

// Finds the first accepted frame header; also notes a "Xing" header seen at the file start.
std::optional<Found> LocateFrame(const MpegByteSource& pSource, const Head& pHead, bool pMp3Name,
                                 MpegInfo& pInfo) {
    SearchStart start;
    if (HasText(pHead.data(), "TAG")) {
        start.Offset = 128;
    } else if (HasText(pHead.data(), "ID3")) {
        start.Offset = 10 + int64_t(SynchsafeSize(pHead.data() + 6));
    } else {
        ReadXing(pHead.data(), kHeadBytes, pInfo);
        if (pHead[0] == 0xFF && PassesSync(pHead[1], pMp3Name)) {
            if (pHead[2] != 0xFF)
                return Found{Chunk{std::vector<uint8_t>(pHead.begin(), pHead.end()), 0}, 0};
            start.Remembered = pHead[1];
        }
    }
    return SearchHeader(pSource, pInfo.FileSize, pMp3Name, start);
}

// Takes the header bytes of the accepted frame and, unless one was already seen, its "Xing"
// header (from the chunk when the frame's first 48 bytes lie in it, else from a new read).
bool TakeFrame(const MpegByteSource& pSource, const Found& pFound, MpegInfo& pInfo) {
    const auto& bytes = pFound.Where.Bytes;
    int64_t p = pFound.Where.Offset + pFound.Pos;
    if (!HasFrameCountHeader(pInfo)) {
        if (pFound.Pos + kHeadBytes < int32_t(bytes.size())) {
            ReadXing(bytes.data() + pFound.Pos, kHeadBytes, pInfo);
        } else if (p + kHeadBytes - 1 < pInfo.FileSize) {
            Head frame;
            if (ReadCleared(pSource, frame.data(), kHeadBytes, p))
                ReadXing(frame.data(), kHeadBytes, pInfo);
        }
    }
    pInfo.HeaderByte1 = bytes[pFound.Pos + 1];
    pInfo.HeaderByte2 = bytes[pFound.Pos + 2];
    pInfo.HeaderByte3 = bytes[pFound.Pos + 3];
    pInfo.StartPos = int32_t(p + 1);
    return true;
}

// Audio ends at the first "TAG" within the last 1024 bytes, else at the end of the file.
void MeasureData(const MpegByteSource& pSource, MpegInfo& pInfo) {
    int32_t n = std::min(kTagWindow, pInfo.FileSize);
    std::vector<uint8_t> tail(size_t(n), 0);
    int64_t dataSize = 0;
    if (ReadCleared(pSource, tail.data(), n, int64_t(pInfo.FileSize) - n)) {
        for (int32_t t = 0; t + 3 <= n; ++t) {
            if (HasText(tail.data() + t, "TAG")) {
                dataSize = (int64_t(pInfo.FileSize) - n + t) - (int64_t(pInfo.StartPos) - 1);
                break;
            }
        }
    }
    if (dataSize <= 3) dataSize = int64_t(pInfo.FileSize) - pInfo.StartPos + 1;
    pInfo.DataSize = int32_t(dataSize);
    pInfo.EndPos = pInfo.DataSize + pInfo.StartPos - 1;
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

int32_t SampleRateOf(uint8_t pByte2, bool pLsf) {
    static constexpr int32_t kRates[3] = {44100, 48000, 32000};
    int32_t index = (pByte2 >> 2) & 3;
    if (index == 3) return 0;
    return pLsf ? kRates[index] / 2 : kRates[index];
}

int32_t SamplesPerFrame(int32_t pLayer, bool pLsf) {
    if (pLayer == 1) return 384;
    if (pLayer == 3 && pLsf) return 576;
    return 1152;
}

// Nearest integer, halves to even; nothing when it does not fit in 32 bits.
std::optional<int32_t> RoundToInt32(double pValue) {
    double r = std::nearbyint(pValue);
    if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max()))
        return std::nullopt;
    return int32_t(r);
}

// Play length of the frame count in milliseconds; nothing when it rounds to 0 or overflows.
std::optional<int32_t> FrameCountLengthMs(const MpegInfo& pInfo) {
    double samples = double(uint32_t(pInfo.FrameCount)) * SamplesPerFrame(pInfo.Layer, pInfo.IsLsf);
    auto length = RoundToInt32(samples / (pInfo.SampleRate / 1000.0));
    if (!length || *length == 0) return std::nullopt;
    return length;
}

// Size in bytes of the accepted frame, from its rate, sampling rate and padding bit.
int64_t FrameBytes(const MpegInfo& pInfo) {
    int64_t padding = (pInfo.HeaderByte2 >> 1) & 1;
    if (pInfo.Layer == 1) return (12000LL * pInfo.BitRate / pInfo.SampleRate + padding) * 4;
    int64_t slotsPerKbit = SamplesPerFrame(pInfo.Layer, pInfo.IsLsf) / 8 * 1000;
    return slotsPerKbit * pInfo.BitRate / pInfo.SampleRate + padding;
}

// Nominal rate of the frame after the accepted one, when that frame belongs to the same
// stream (same version, layer and sampling rate) and has a usable rate index.
std::optional<int32_t> RateOfNextFrame(const MpegByteSource& pSource, const MpegInfo& pInfo) {
    int64_t next = int64_t(pInfo.StartPos) - 1 + FrameBytes(pInfo);
    if (next + 4 > pInfo.FileSize) return std::nullopt;
    uint8_t header[4];
    if (!ReadCleared(pSource, header, 4, next)) return std::nullopt;
    bool sameStream = header[0] == 0xFF && (header[1] & 0xFE) == (pInfo.HeaderByte1 & 0xFE) &&
                      (header[2] & 0x0C) == (pInfo.HeaderByte2 & 0x0C);
    if (!sameStream) return std::nullopt;
    int32_t rate = BitRateOf(header[2], pInfo.Layer, pInfo.IsLsf);
    if (rate == 0) return std::nullopt;
    return rate;
}

// Average rate over the audio bytes, in kbit/s.
std::optional<int32_t> AverageRate(const MpegInfo& pInfo) {
    return RoundToInt32(double(pInfo.DataSize) * 8.0 / pInfo.LengthMs);
}

bool ComputeLength(const MpegByteSource& pSource, MpegInfo& pInfo) {
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
            auto rate = RateOfNextFrame(pSource, pInfo);
            if (!rate) rate = AverageRate(pInfo);
            if (!rate) return false;
            pInfo.BitRate = *rate;
            return true;
        }
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

ModeNames TakeChannelMode(MpegInfo& pInfo) {
    static constexpr ModeNames kNames[4] = {
        {"Stereo", "ST"}, {"JointStereo", "JS"}, {"DualChannel", "DC"}, {"Mono", "Mono"}};
    pInfo.ChannelMode = pInfo.HeaderByte3 >> 6;
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
    pInfo.IsLsf = (pInfo.HeaderByte1 & 0x08) ? 0 : 1;
    pInfo.BitRate = BitRateOf(pInfo.HeaderByte2, pInfo.Layer, pInfo.IsLsf);
    if (pInfo.BitRate == 0) return 0;
    pInfo.SampleRate = SampleRateOf(pInfo.HeaderByte2, pInfo.IsLsf);
    if (pInfo.SampleRate == 0) return 0;
    if (!ComputeLength(pSource, pInfo)) return 0;
    BuildTexts(pInfo, TakeChannelMode(pInfo));
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
    MpegByteSource source;
    GetFileSizeByPath(pPath, source.Size);
    source.Read = [&pPath](uint8_t* pBuffer, int32_t pCount, int64_t pPosition) {
        // A position of 0 means "use the 32-bit offset", which is 0 too.
        return ReadAt(pBuffer, pCount, 0, pPath, pPosition, 0) == 1;
    };
    return GetMpegInfoFrom(source, EndsWithMp3(pPath), pInfo);
}
