#pragma once
// Helpers of the quillan-batch tests: scratch folders, small WAV files, running the binary.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
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

// A WAV file with a plain 16-byte "fmt " chunk of any format tag, channel count and sample
// width, and dataBytes of a ramp as its data.
std::vector<char> WavBytes(uint16_t formatTag, uint16_t channels, uint16_t bits, uint32_t rate,
                           uint32_t dataBytes);

std::vector<char> ReadBytes(const std::string& path);
std::string ReadText(const std::string& path);
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

// The folder of the engine's reference cases ($QUILLAN_VECTORS, else the configured one).
std::string VectorsDir();

// The raw text of "key": value in a flat JSON object (strings keep their quotes).
std::optional<std::string> JsonValue(const std::string& json, const std::string& key);

// One value of a flat JSON object: a decoded string, or the raw text of a number or literal.
struct JsonField {
    bool isString = false;
    std::string text;
};
// Strict parse of one line holding a flat JSON object (string, number and literal values):
// the bytes must be valid UTF-8, strings free of raw control characters, escapes and surrogate
// pairs well formed. Nothing, with the reason in error, when the line is not such an object.
std::optional<std::map<std::string, JsonField>> ParseJsonObject(const std::string& line,
                                                                std::string& error);

} // namespace clitest
