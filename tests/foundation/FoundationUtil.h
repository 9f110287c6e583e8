#pragma once

// Scratch folders, file bytes and WAV byte builders for the foundation tests
// (the services tests use the folders and file bytes too).

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

inline std::string Le16(uint32_t pValue) {
    return {char(pValue & 0xFF), char((pValue >> 8) & 0xFF)};
}
inline std::string Le32(uint32_t pValue) {
    return Le16(pValue) + Le16(pValue >> 16);
}
inline uint32_t U32At(const std::string& pBytes, size_t pAt) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | uint8_t(pBytes.at(pAt + size_t(i)));
    return v;
}

// One chunk: id, size field (the body's length unless given), body, pad byte when odd.
inline std::string Chunk(const std::string& pId, const std::string& pBody,
                         int64_t pSizeField = -1) {
    const uint32_t size = pSizeField < 0 ? uint32_t(pBody.size()) : uint32_t(pSizeField);
    std::string c = pId + Le32(size) + pBody;
    if (pBody.size() % 2 == 1) c += '\0';
    return c;
}

inline std::string FmtChunk(uint32_t pTag, uint32_t pChannels, uint32_t pRate, uint32_t pBits) {
    const uint32_t align = pBits * pChannels / 8;
    return Chunk("fmt ", Le16(pTag) + Le16(pChannels) + Le32(pRate) + Le32(pRate * align) +
                             Le16(align) + Le16(pBits));
}

inline std::string Riff(const std::string& pChunks) {
    return "RIFF" + Le32(uint32_t(pChunks.size() + 4)) + "WAVE" + pChunks;
}

} // namespace foundation_test
