#pragma once

// Scratch folders, file bytes and WAV byte builders for the foundation tests
// (the services tests use the folders and file bytes too).

#include "common/WavWriter.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>

namespace foundation_test {

// A fresh folder under the system's temp folder, removed with everything in it
// (read-only files and a read-only top folder included).
class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillan-test-XXXXXX");
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        m_Path = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(m_Path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_Path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return m_Path; }
    std::string operator/(const std::string& pName) const { return m_Path + "/" + pName; }

  private:
    std::string m_Path;
};

// A fresh folder per test.
class ScratchTest : public ::testing::Test {
  protected:
    std::string PathOf(const std::string& pName) const { return m_Scratch / pName; }

    TempFolder m_Scratch;
    const std::filesystem::path m_Dir{m_Scratch.path()};
};

inline void WriteBytes(const std::string& pPath, const std::string& pBytes) {
    std::ofstream out(pPath, std::ios::binary | std::ios::trunc);
    out.write(pBytes.data(), std::streamsize(pBytes.size()));
}

inline std::string ReadBytes(const std::string& pPath) {
    std::ifstream in(pPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using testwav::Chunk;
using testwav::Le16;
using testwav::Le32;
using testwav::Riff;

inline uint32_t U32At(const std::string& pBytes, size_t pAt) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | uint8_t(pBytes.at(pAt + size_t(i)));
    return v;
}

// A plain "fmt " chunk of any format tag.
inline std::string FmtChunk(uint16_t pTag, int32_t pChannels, int32_t pRate, int32_t pBits) {
    return Chunk("fmt ", testwav::FmtBody({pRate, pBits, pChannels, false, false, 0, pTag}));
}

} // namespace foundation_test
