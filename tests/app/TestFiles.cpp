#include "TestFiles.h"

#include "common/WavChunks.h"

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

void WriteWav16(const std::string& path, const Pcm16& pcm) {
    const testwav::Format f{pcm.sampleRate, 16, pcm.channels};
    WriteBytes(path,
               testwav::Wav(f, testwav::Samples(f, {pcm.samples.begin(), pcm.samples.end()})));
}

Pcm16 ReadWav16(const std::string& path) {
    using namespace wavchunks;
    Pcm16 pcm;
    pcm.samples.clear();
    const std::string s = ReadBytes(path);
    const auto chunks = StrictChunks({s.begin(), s.end()});
    const FoundChunk* fmt = chunks ? Find(*chunks, "fmt ") : nullptr;
    const FoundChunk* data = chunks ? Find(*chunks, "data") : nullptr;
    if (!fmt || !data || fmt->Body.size() < 16 || I16At(fmt->Body, 0) != 1 ||
        I16At(fmt->Body, 14) != 16)
        return pcm;
    pcm.channels = I16At(fmt->Body, 2);
    pcm.sampleRate = int32_t(U32At(fmt->Body, 4));
    for (size_t i = 0; i + 1 < data->Body.size(); i += 2)
        pcm.samples.push_back(I16At(data->Body, i));
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
