#include "WavGen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

std::vector<uint8_t> Header(const WavGenOptions& o, uint32_t dataSize) {
    const uint32_t align = uint32_t(int64_t(o.Bits / 8) * o.Channels);
    std::vector<uint8_t> h;
    for (char c : std::string("RIFF"))
        h.push_back(uint8_t(c));
    Put32(h, 36 + dataSize + dataSize % 2);
    for (char c : std::string("WAVEfmt "))
        h.push_back(uint8_t(c));
    Put32(h, 16);
    Put16(h, 1);
    Put16(h, uint32_t(o.Channels));
    Put32(h, uint32_t(o.Rate));
    Put32(h, uint32_t(o.Rate) * align);
    Put16(h, align);
    Put16(h, uint32_t(o.Bits));
    for (char c : std::string("data"))
        h.push_back(uint8_t(c));
    Put32(h, dataSize);
    return h;
}

// A small linear congruential generator: the same numbers on every platform.
struct Lcg {
    uint32_t State;
    double Next() { // -1 .. 1
        State = State * 1664525u + 1013904223u;
        return double(State >> 8) / 8388608.0 - 1.0;
    }
};

// The signal before scaling, in -1 .. 1: two tones and noise under an envelope that
// pauses for a moment every few seconds.
double Signal(int64_t frame, int32_t channel, int32_t rate, Lcg& noise) {
    const double t = double(frame) / rate;
    const double phrase = std::fmod(t, 3.7);
    const double envelope = phrase > 3.2 ? 0.0 : 0.3 + 0.7 * std::fabs(std::sin(t * 2.1));
    const double tone = 0.5 * std::sin(2 * std::numbers::pi * (220.0 + 30.0 * channel) * t) +
                        0.25 * std::sin(2 * std::numbers::pi * 1330.0 * t);
    return envelope * (tone + 0.2 * noise.Next()) / 0.95;
}

void Store(std::vector<uint8_t>& out, int32_t bits, int32_t value) {
    const uint32_t u = uint32_t(bits == 8 ? value + 128 : value);
    for (int32_t k = 0; k < bits / 8; ++k)
        out.push_back(uint8_t(u >> (8 * k)));
}

} // namespace

bool GenerateWav(const std::string& pPath, const WavGenOptions& o) {
    if ((o.Bits != 8 && o.Bits != 16 && o.Bits != 24) || o.Channels < 1 || o.Rate < 1) return false;
    const int64_t lead = std::llround(o.LeadSilence * o.Rate);
    const int64_t body = std::llround(o.Seconds * o.Rate);
    const int64_t tail = std::llround(o.TailSilence * o.Rate);
    const int64_t frames = lead + body + tail;
    const int64_t align = int64_t(o.Bits / 8) * o.Channels;
    if (frames * align > 4294967295LL - 46) return false;
    const uint32_t dataSize = uint32_t(frames * align);

    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(pPath.c_str(), "wb"), &std::fclose);
    if (!f) return false;
    std::vector<uint8_t> buf = Header(o, dataSize);
    const double full = o.Bits == 8 ? 127.0 : (o.Bits == 16 ? 32767.0 : 8388607.0);
    const double peak = std::pow(10.0, o.PeakDb / 20.0) * full;
    Lcg noise{o.Seed};
    for (int64_t i = 0; i < frames; ++i) {
        for (int32_t c = 0; c < o.Channels; ++c) {
            double v = 0.0;
            if (i >= lead && i < lead + body) v = Signal(i - lead, c, o.Rate, noise);
            // The loudest sample reaches the peak exactly, once.
            if (i == lead + body / 2 && c == 0) v = 1.0;
            Store(buf, o.Bits, int32_t(std::lround(std::clamp(v, -1.0, 1.0) * peak)));
        }
        if (buf.size() >= (1u << 20)) {
            if (std::fwrite(buf.data(), 1, buf.size(), f.get()) != buf.size()) return false;
            buf.clear();
        }
    }
    if (dataSize % 2 != 0) buf.push_back(0);
    if (std::fwrite(buf.data(), 1, buf.size(), f.get()) != buf.size()) return false;
    return std::fflush(f.get()) == 0;
}
