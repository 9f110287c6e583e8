#include "media/MidiLength.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <vector>

namespace {

constexpr uint32_t kDefaultTempo = 500000; // microseconds per quarter note: 120 bpm
// Larger files are no MIDI files anyone drops here.
constexpr int64_t kMaxBytes = int64_t(64) << 20;

using TempoMap = std::map<uint64_t, uint32_t>; // tick -> microseconds per quarter note

uint32_t Be32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// A cursor over one track's events; reads past the end yield nothing.
class Track {
  public:
    Track(const uint8_t* pBegin, const uint8_t* pEnd) : m_At(pBegin), m_End(pEnd) {}
    bool AtEnd() const { return m_At >= m_End; }
    std::optional<uint8_t> Byte() {
        if (AtEnd()) return std::nullopt;
        return *m_At++;
    }
    std::optional<uint8_t> Peek() const {
        if (AtEnd()) return std::nullopt;
        return *m_At;
    }
    // A variable-length quantity: at most four bytes of seven bits.
    std::optional<uint32_t> Vlq() {
        uint32_t value = 0;
        for (int32_t i = 0; i < 4; ++i) {
            auto b = Byte();
            if (!b) return std::nullopt;
            value = (value << 7) | (*b & 0x7F);
            if (!(*b & 0x80)) return value;
        }
        return std::nullopt;
    }
    const uint8_t* Skip(uint32_t pCount) {
        const uint8_t* from = m_At;
        if (int64_t(pCount) > m_End - m_At) return nullptr;
        m_At += pCount;
        return from;
    }

  private:
    const uint8_t* m_At;
    const uint8_t* m_End;
};

// Data bytes behind a channel or system status byte.
int32_t DataBytes(uint8_t pStatus) {
    switch (pStatus & 0xF0) {
    case 0xC0:
    case 0xD0:
        return 1;
    case 0xF0:
        return pStatus == 0xF2 ? 2 : (pStatus == 0xF1 || pStatus == 0xF3) ? 1 : 0;
    default:
        return 2;
    }
}

// Walks one track: its tempo changes into pTempos and the tick of its end (the end-of-track
// event, else its last event). Nothing when an event is malformed before any end.
std::optional<uint64_t> WalkTrack(Track pTrack, TempoMap& pTempos) {
    uint64_t tick = 0;
    uint8_t running = 0;
    while (!pTrack.AtEnd()) {
        auto delta = pTrack.Vlq();
        auto first = pTrack.Peek();
        if (!delta || !first) return tick;
        tick += *delta;
        uint8_t status = *first;
        if (status & 0x80)
            pTrack.Byte();
        else if (running)
            status = running;
        else
            return std::nullopt;
        if (status == 0xFF) {
            auto type = pTrack.Byte();
            auto length = pTrack.Vlq();
            const uint8_t* data = length ? pTrack.Skip(*length) : nullptr;
            if (!type || !data) return tick;
            if (*type == 0x2F) return tick;
            if (*type == 0x51 && *length >= 3) {
                uint32_t tempo = (uint32_t(data[0]) << 16) | (uint32_t(data[1]) << 8) | data[2];
                if (tempo > 0) pTempos[tick] = tempo;
            }
            running = 0;
        } else if (status == 0xF0 || status == 0xF7) {
            auto length = pTrack.Vlq();
            if (!length || !pTrack.Skip(*length)) return tick;
            running = 0;
        } else {
            if (status < 0xF0) running = status;
            if (!pTrack.Skip(uint32_t(DataBytes(status)))) return tick;
        }
    }
    return tick;
}

// Seconds from tick 0 to pEnd under the tempo map, at pDivision ticks per quarter note.
double TempoSeconds(const TempoMap& pTempos, uint64_t pEnd, uint32_t pDivision) {
    double micros = 0;
    uint64_t at = 0;
    uint32_t tempo = kDefaultTempo;
    for (const auto& [tick, value] : pTempos) {
        if (tick >= pEnd) break;
        micros += double(tick - at) * tempo;
        at = tick;
        tempo = value;
    }
    micros += double(pEnd - at) * tempo;
    return micros / 1e6 / pDivision;
}

// The SMF inside a RIFF "RMID" file's "data" chunk, else the bytes themselves.
std::pair<const uint8_t*, const uint8_t*> Unwrap(const std::vector<uint8_t>& pBytes) {
    const uint8_t* begin = pBytes.data();
    const uint8_t* end = begin + pBytes.size();
    if (pBytes.size() < 20 || std::memcmp(begin, "RIFF", 4) || std::memcmp(begin + 8, "RMID", 4))
        return {begin, end};
    for (const uint8_t* p = begin + 12; end - p >= 8;) {
        uint32_t size = Le32(p + 4);
        if (!std::memcmp(p, "data", 4))
            return {p + 8, p + 8 + std::min<int64_t>(size, end - p - 8)};
        if (int64_t(size) + 8 + (size & 1) > end - p) break;
        p += 8 + size + (size & 1);
    }
    return {end, end};
}

} // namespace

std::optional<int32_t> MidiLengthMs(const ByteSource& pSource) {
    if (pSource.Size < 14 || pSource.Size > kMaxBytes) return std::nullopt;
    std::vector<uint8_t> bytes = ReadBytes(pSource, 0, int32_t(pSource.Size));
    auto [p, end] = Unwrap(bytes);
    if (end - p < 14 || std::memcmp(p, "MThd", 4) || Be32(p + 4) < 6) return std::nullopt;
    uint32_t format = (p[8] << 8) | p[9];
    uint32_t tracks = (p[10] << 8) | p[11];
    uint32_t division = (p[12] << 8) | p[13];
    if (format > 2 || tracks == 0 || division == 0) return std::nullopt;
    // SMPTE division: frames per second (29 meaning 29.97) times ticks per frame.
    double ticksPerSecond = 0;
    if (division & 0x8000) {
        int32_t fps = -int8_t(division >> 8);
        ticksPerSecond = (fps == 29 ? 29.97 : fps) * (division & 0xFF);
        if (ticksPerSecond <= 0) return std::nullopt;
    }
    if (Be32(p + 4) > uint64_t(end - p - 8)) return std::nullopt;
    TempoMap shared;
    uint64_t lastTick = 0;
    double seconds = 0;
    uint32_t found = 0;
    for (p += 8 + Be32(p + 4); end - p >= 8 && found < tracks;) {
        uint32_t size = Be32(p + 4);
        const uint8_t* body = p + 8;
        const uint8_t* bodyEnd = body + std::min<int64_t>(size, end - body);
        p = bodyEnd;
        if (std::memcmp(body - 8, "MTrk", 4)) continue;
        ++found;
        TempoMap own;
        auto tick = WalkTrack(Track(body, bodyEnd), format == 2 ? own : shared);
        if (!tick) return std::nullopt;
        if (format == 2)
            seconds +=
                ticksPerSecond > 0 ? *tick / ticksPerSecond : TempoSeconds(own, *tick, division);
        lastTick = std::max(lastTick, *tick);
    }
    if (found == 0) return std::nullopt;
    if (format != 2)
        seconds = ticksPerSecond > 0 ? lastTick / ticksPerSecond
                                     : TempoSeconds(shared, lastTick, division);
    double ms = std::nearbyint(seconds * 1000.0);
    if (!(ms >= 0 && ms <= std::numeric_limits<int32_t>::max())) return std::nullopt;
    return int32_t(ms);
}
