#include "TestFiles.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numbers>

namespace testfiles {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillan-app-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_Path = buf.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_Path, ec);
}

Pcm16 ToneWithSilence(int32_t silenceMs, int32_t toneMs, int16_t amplitude, int32_t sampleRate,
                      int16_t channels) {
    Pcm16 pcm;
    pcm.sampleRate = sampleRate;
    pcm.channels = channels;
    int64_t silence = int64_t(sampleRate) * silenceMs / 1000;
    int64_t tone = int64_t(sampleRate) * toneMs / 1000;
    pcm.samples.assign(size_t(silence * channels), 0);
    for (int64_t i = 0; i < tone; ++i) {
        double v = amplitude * std::sin(2.0 * std::numbers::pi * 1000.0 * double(i) / sampleRate);
        for (int c = 0; c < channels; ++c)
            pcm.samples.push_back(int16_t(std::lround(v)));
    }
    pcm.samples.insert(pcm.samples.end(), size_t(silence * channels), 0);
    return pcm;
}

namespace {
void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s.push_back(char((v >> (8 * i)) & 0xFF));
}
void Put16(std::string& s, uint16_t v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char(v >> 8));
}
uint32_t Get32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | uint8_t(s[at + size_t(i)]);
    return v;
}
uint16_t Get16(const std::string& s, size_t at) {
    return uint16_t(uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8));
}
} // namespace

void WriteWav16(const std::string& path, const Pcm16& pcm) {
    uint32_t dataSize = uint32_t(pcm.samples.size() * 2);
    std::string s = "RIFF";
    Put32(s, 36 + dataSize);
    s += "WAVEfmt ";
    Put32(s, 16);
    Put16(s, 1);
    Put16(s, uint16_t(pcm.channels));
    Put32(s, uint32_t(pcm.sampleRate));
    Put32(s, uint32_t(pcm.sampleRate * pcm.channels * 2));
    Put16(s, uint16_t(pcm.channels * 2));
    Put16(s, 16);
    s += "data";
    Put32(s, dataSize);
    for (int16_t v : pcm.samples)
        Put16(s, uint16_t(v));
    WriteBytes(path, s);
}

Pcm16 ReadWav16(const std::string& path) {
    Pcm16 pcm;
    pcm.samples.clear();
    std::string s = ReadBytes(path);
    if (s.size() < 12 || s.compare(0, 4, "RIFF") != 0 || s.compare(8, 4, "WAVE") != 0) return pcm;
    size_t at = 12;
    bool haveFmt = false;
    while (at + 8 <= s.size()) {
        std::string id = s.substr(at, 4);
        uint32_t size = Get32(s, at + 4);
        if (id == "fmt " && at + 24 <= s.size()) {
            pcm.channels = int16_t(Get16(s, at + 10));
            pcm.sampleRate = int32_t(Get32(s, at + 12));
            haveFmt = Get16(s, at + 8) == 1 && Get16(s, at + 22) == 16;
        } else if (id == "data" && haveFmt) {
            size_t end = std::min(s.size(), at + 8 + size_t(size));
            for (size_t i = at + 8; i + 1 < end; i += 2)
                pcm.samples.push_back(int16_t(Get16(s, i)));
            return pcm;
        }
        at += 8 + size + (size & 1);
    }
    return pcm;
}

int32_t PeakOf(const Pcm16& pcm) {
    int32_t peak = 0;
    for (int16_t v : pcm.samples)
        peak = std::max(peak, std::abs(int32_t(v)));
    return peak;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::string bytes(size_t(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), std::streamsize(bytes.size()));
    return bytes;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

} // namespace testfiles
