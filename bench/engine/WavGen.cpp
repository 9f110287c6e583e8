#include "WavGen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numbers>
#include <vector>

namespace {

std::vector<uint8_t> Header(const WavGenOptions& pO, uint32_t pDataSize) {
    const uint32_t align = uint32_t(int64_t(pO.Bits / 8) * pO.Channels);
    std::vector<uint8_t> h;
    for (char c : std::string("RIFF"))
        h.push_back(uint8_t(c));
    AppendLe32(h, 36 + pDataSize + pDataSize % 2);
    for (char c : std::string("WAVEfmt "))
        h.push_back(uint8_t(c));
    AppendLe32(h, 16);
    AppendLe16(h, pO.Float ? 3 : 1);
    AppendLe16(h, uint32_t(pO.Channels));
    AppendLe32(h, uint32_t(pO.Rate));
    AppendLe32(h, uint32_t(pO.Rate) * align);
    AppendLe16(h, align);
    AppendLe16(h, uint32_t(pO.Bits));
    for (char c : std::string("data"))
        h.push_back(uint8_t(c));
    AppendLe32(h, pDataSize);
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
double Signal(int64_t pFrame, int32_t pChannel, int32_t pRate, Lcg& pNoise) {
    const double t = double(pFrame) / pRate;
    const double phrase = std::fmod(t, 3.7);
    const double envelope = phrase > 3.2 ? 0.0 : 0.3 + 0.7 * std::fabs(std::sin(t * 2.1));
    const double tone = 0.5 * std::sin(2 * std::numbers::pi * (220.0 + 30.0 * pChannel) * t) +
                        0.25 * std::sin(2 * std::numbers::pi * 1330.0 * t);
    return envelope * (tone + 0.2 * pNoise.Next()) / 0.95;
}

void Store(std::vector<uint8_t>& pOut, int32_t pBits, int64_t pValue) {
    const uint32_t u = uint32_t(pBits == 8 ? pValue + 128 : pValue);
    for (int32_t k = 0; k < pBits / 8; ++k)
        pOut.push_back(uint8_t(u >> (8 * k)));
}

void StoreFloat(std::vector<uint8_t>& pOut, float pValue) {
    uint32_t u;
    std::memcpy(&u, &pValue, 4);
    AppendLe32(pOut, u);
}

double FullScaleOf(const WavGenOptions& pO) {
    if (pO.Float) return 1.0;
    switch (pO.Bits) {
    case 8:
        return 127.0;
    case 16:
        return 32767.0;
    case 24:
        return 8388607.0;
    default:
        return 2147483647.0;
    }
}

} // namespace

void AppendLe16(std::vector<uint8_t>& pBytes, uint32_t pValue) {
    pBytes.push_back(uint8_t(pValue));
    pBytes.push_back(uint8_t(pValue >> 8));
}

void AppendLe32(std::vector<uint8_t>& pBytes, uint32_t pValue) {
    AppendLe16(pBytes, pValue & 0xFFFF);
    AppendLe16(pBytes, pValue >> 16);
}

bool GenerateWav(const std::string& pPath, const WavGenOptions& pO) {
    if ((pO.Bits != 8 && pO.Bits != 16 && pO.Bits != 24 && pO.Bits != 32) ||
        (pO.Float && pO.Bits != 32) || pO.Channels < 1 || pO.Rate < 1)
        return false;
    const int64_t lead = std::llround(pO.LeadSilence * pO.Rate);
    const int64_t body = std::llround(pO.Seconds * pO.Rate);
    const int64_t tail = std::llround(pO.TailSilence * pO.Rate);
    const int64_t frames = lead + body + tail;
    const int64_t align = int64_t(pO.Bits / 8) * pO.Channels;
    if (frames * align > 4294967295LL - 46) return false;
    const uint32_t dataSize = uint32_t(frames * align);

    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(pPath.c_str(), "wb"), &std::fclose);
    if (!f) return false;
    std::vector<uint8_t> buf = Header(pO, dataSize);
    const double full = FullScaleOf(pO);
    const double peak = std::pow(10.0, pO.PeakDb / 20.0) * full;
    Lcg noise{pO.Seed};
    for (int64_t i = 0; i < frames; ++i) {
        for (int32_t c = 0; c < pO.Channels; ++c) {
            double v = 0.0;
            if (i >= lead && i < lead + body) v = Signal(i - lead, c, pO.Rate, noise);
            // The loudest sample reaches the peak exactly, once.
            if (i == lead + body / 2 && c == 0) v = 1.0;
            const double scaled = std::clamp(v, -1.0, 1.0) * peak;
            if (pO.Float)
                StoreFloat(buf, float(scaled));
            else
                Store(buf, pO.Bits, std::llround(scaled));
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
