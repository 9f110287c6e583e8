#include "EngineTestSupport.h"

#include "common/WavWriter.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace enginetest {

TempDir::TempDir() {
    std::random_device rd;
    m_Dir = std::filesystem::temp_directory_path() /
            ("quillan-engine-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(m_Dir);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_Dir, ec);
}

std::vector<uint8_t> ReadBytes(const std::string& pPath) {
    std::ifstream in(pPath, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& pPath, const std::vector<uint8_t>& pBytes) {
    std::ofstream out(pPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(pBytes.data()), std::streamsize(pBytes.size()));
}

std::vector<uint8_t> MakeWav(int32_t pRate, int32_t pBits, int32_t pChannels,
                             const std::vector<int32_t>& pSamples, int64_t pDataSizeField) {
    const testwav::Format f{pRate, pBits, pChannels};
    std::string b = testwav::Wav(f, testwav::Samples(f, pSamples));
    if (pDataSizeField >= 0) b.replace(40, 4, testwav::Le32(uint32_t(pDataSizeField)));
    return {b.begin(), b.end()};
}

void WriteWav(const std::string& pPath, int32_t pRate, int32_t pBits, int32_t pChannels,
              const std::vector<int32_t>& pSamples) {
    WriteBytes(pPath, MakeWav(pRate, pBits, pChannels, pSamples));
}

uint32_t DataSizeField(const std::vector<uint8_t>& pWav) {
    if (pWav.size() < 44) throw std::runtime_error("short WAV");
    return uint32_t(pWav[40]) | uint32_t(pWav[41]) << 8 | uint32_t(pWav[42]) << 16 |
           uint32_t(pWav[43]) << 24;
}

std::vector<int32_t> ReadSamples(const std::string& pPath, int32_t pBits) {
    const std::vector<uint8_t> b = ReadBytes(pPath);
    const size_t size = DataSizeField(b);
    const size_t width = size_t(pBits / 8);
    std::vector<int32_t> out;
    for (size_t i = 44; i + width <= 44 + size && i + width <= b.size(); i += width) {
        int32_t v;
        if (pBits == 8) {
            v = b[i];
        } else if (pBits == 16) {
            v = int16_t(uint16_t(b[i] | b[i + 1] << 8));
        } else if (pBits == 32) {
            std::memcpy(&v, &b[i], 4);
        } else {
            v = int32_t(uint32_t(b[i]) << 8 | uint32_t(b[i + 1]) << 16 |
                        uint32_t(b[i + 2]) << 24) >>
                8;
        }
        out.push_back(v);
    }
    return out;
}

std::vector<EditResult> RunAsSet(const std::vector<EditJob>& pJobs, SetLevels* pPooled) {
    std::vector<EditResult> results;
    std::vector<const SetLevels*> measured;
    for (const EditJob& job : pJobs) {
        results.push_back(C_EditWave().Measure(job));
        if (results.back().Done()) measured.push_back(&results.back().Measured->Levels);
    }
    const auto pooled = std::make_shared<const SetLevels>(PoolSetLevels(measured));
    if (pPooled) *pPooled = *pooled;
    for (size_t i = 0; i < pJobs.size(); ++i) {
        if (!results[i].Done()) continue;
        EditJob job = pJobs[i];
        job.Measured = results[i].Measured;
        job.SetLevel = pooled;
        results[i] = C_EditWave().Edit(job);
    }
    return results;
}

Job Job::Between(const std::string& pSource, const std::string& pTarget) {
    Job job;
    job.SourcePath = pSource;
    job.TargetPath = pTarget;
    return job;
}

Job JobOverNewWav(const TempDir& pDir, int32_t pRate, int32_t pBits, int32_t pChannels,
                  const std::vector<int32_t>& pSamples) {
    Job job = Job::Between(pDir.Path("in.wav"), pDir.Path("out.wav"));
    WriteWav(job.SourcePath, pRate, pBits, pChannels, pSamples);
    return job;
}

int RunCommand(const std::string& pCommand, std::string* pOutput) {
    FILE* p = popen(pCommand.c_str(), "r");
    if (!p) return -1;
    std::array<char, 4096> buf{};
    std::string out;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    const int status = pclose(p);
    if (pOutput) *pOutput = out;
    return status;
}

bool HaveSox() {
    return RunCommand("command -v sox >/dev/null 2>&1") == 0;
}

} // namespace enginetest
