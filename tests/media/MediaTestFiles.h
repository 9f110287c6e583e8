#pragma once
// Scratch files for the media tests: a fresh folder per test, removed afterwards.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

class ScratchFolder {
  public:
    ScratchFolder() {
        static int counter = 0;
        m_Path = std::filesystem::temp_directory_path() /
                 ("quillan-media-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(m_Path);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_Path, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string Write(const std::string& pName, const std::vector<uint8_t>& pBytes) const {
        std::string path = (m_Path / pName).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(pBytes.data()), std::streamsize(pBytes.size()));
        return path;
    }
    std::string Path(const std::string& pName) const { return (m_Path / pName).string(); }

  private:
    std::filesystem::path m_Path;
};

// The committed sound fixtures (tests/data); QUILLAN_MEDIA_DATA overrides the folder.
inline std::string FixturePath(const std::string& pName) {
    const char* dir = std::getenv("QUILLAN_MEDIA_DATA");
    return std::string(dir ? dir : QUILLAN_MEDIA_DATA_DIR) + "/" + pName;
}
