#include "media/ProgramStream.h"

#include <algorithm>

namespace {

constexpr uint8_t kPackHeader = 0xBA;
constexpr uint8_t kProgramEnd = 0xB9;
constexpr uint8_t kSystemHeader = 0xBB;
// The audio bytes kept: far more than any sound track of a file people edit sound from.
constexpr size_t kAudioLimit = size_t(256) << 20;

// A window onto the source that reads a block at a time.
class Window {
  public:
    explicit Window(const ByteSource& pSource) : m_Source(pSource) {}

    // The byte at pPos; 0 past the end.
    uint8_t At(int64_t pPos) {
        if (pPos < m_Offset || pPos >= m_Offset + int64_t(m_Block.size())) Load(pPos);
        return m_Block.empty() ? 0 : m_Block[size_t(pPos - m_Offset)];
    }
    int32_t Be16(int64_t pPos) { return (At(pPos) << 8) | At(pPos + 1); }
    void Append(int64_t pFrom, int64_t pTo, std::vector<uint8_t>& pOut) {
        for (int64_t p = pFrom; p < pTo; ++p)
            pOut.push_back(At(p));
    }

  private:
    void Load(int64_t pPos) {
        m_Offset = pPos;
        m_Block = ReadBytes(m_Source, pPos, kBlockBytes);
    }
    static constexpr int32_t kBlockBytes = 256 * 1024;
    const ByteSource& m_Source;
    std::vector<uint8_t> m_Block;
    int64_t m_Offset = 0;
};

bool IsStartCode(Window& pIn, int64_t pPos) {
    return pIn.At(pPos) == 0 && pIn.At(pPos + 1) == 0 && pIn.At(pPos + 2) == 1;
}

bool IsMpegAudioStream(uint8_t pId) {
    return pId >= 0xC0 && pId <= 0xDF;
}

// Where the payload of the packet whose header fields start at pAt begins: after the MPEG-2
// header data, or after the MPEG-1 stuffing, buffer size and time stamps.
int64_t PayloadStart(Window& pIn, int64_t pAt) {
    if ((pIn.At(pAt) & 0xC0) == 0x80) return pAt + 3 + pIn.At(pAt + 2);
    for (int32_t n = 0; n < 16 && pIn.At(pAt) == 0xFF; ++n)
        ++pAt;
    if ((pIn.At(pAt) & 0xC0) == 0x40) pAt += 2;
    uint8_t b = pIn.At(pAt);
    if ((b & 0xF0) == 0x20) return pAt + 5;
    if ((b & 0xF0) == 0x30) return pAt + 10;
    return b == 0x0F ? pAt + 1 : pAt;
}

} // namespace

std::optional<std::vector<uint8_t>> ProgramStreamAudio(const ByteSource& pSource) {
    Window in(pSource);
    if (!IsStartCode(in, 0) || in.At(3) != kPackHeader) return std::nullopt;
    std::vector<uint8_t> audio;
    int32_t audioId = -1;
    for (int64_t pos = 0; pos + 4 <= pSource.Size && audio.size() < kAudioLimit;) {
        if (!IsStartCode(in, pos)) {
            ++pos; // lost step: look for the next start code
            continue;
        }
        uint8_t id = in.At(pos + 3);
        if (id == kProgramEnd) break;
        if (id == kPackHeader) {
            // MPEG-2 packs carry stuffing behind a 14-byte header; MPEG-1 packs are 12 bytes.
            pos += (in.At(pos + 4) & 0xC0) == 0x40 ? 14 + (in.At(pos + 13) & 7) : 12;
            continue;
        }
        if (id < kSystemHeader) {
            ++pos;
            continue;
        }
        int64_t end = std::min(pSource.Size, pos + 6 + in.Be16(pos + 4));
        if (IsMpegAudioStream(id) && (audioId < 0 || audioId == id)) {
            audioId = id;
            in.Append(std::min(PayloadStart(in, pos + 6), end), end, audio);
        }
        pos = end;
    }
    if (audioId < 0) return std::nullopt;
    return audio;
}
