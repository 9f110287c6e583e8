#pragma once
// Helpers of the quillan-batch tests: scratch folders, small WAV files, running the binary.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace clitest {

namespace fs = std::filesystem;

// A fresh folder under the system's temp folder, removed with everything in it.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const fs::path& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

  private:
    fs::path m_path;
};

// A 16-bit file with silent lead-in and tail around a signal peaking at amplitude;
// different amplitudes give different audio.
void WriteToneWav(const std::string& path, int channels, int rate, int64_t frames,
                  int16_t amplitude);

std::vector<char> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<char>& bytes);
// File names of a folder, sorted.
std::vector<std::string> Listing(const fs::path& folder);

struct RunResult {
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Path of the quillan-batch under test.
std::string BatchBinary();
// Runs quillan-batch with the arguments and waits for it.
RunResult RunBatch(const std::vector<std::string>& args);

// A running quillan-batch for tests that signal it.
struct Spawned {
    int pid = -1;
    std::string outFile;
    std::string errFile;
};
Spawned SpawnBatch(const std::vector<std::string>& args, const std::string& logFolder);
RunResult WaitBatch(const Spawned& child);

} // namespace clitest
