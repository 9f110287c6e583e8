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
    const fs::path& path() const { return m_Path; }
    std::string operator/(const std::string& pName) const { return (m_Path / pName).string(); }

  private:
    fs::path m_Path;
};

// A 16-bit file with silent lead-in and tail around a signal peaking at amplitude;
// different amplitudes give different audio.
void WriteToneWav(const std::string& pPath, int pChannels, int pRate, int64_t pFrames,
                  int16_t pAmplitude);

// A WAV file with a plain 16-byte "fmt " chunk of any format tag, channel count and sample
// width, and dataBytes of a ramp as its data.
std::vector<char> WavBytes(uint16_t pFormatTag, uint16_t pChannels, uint16_t pBits, uint32_t pRate,
                           uint32_t pDataBytes);

std::vector<char> ReadBytes(const std::string& pPath);
std::string ReadText(const std::string& pPath);
void WriteBytes(const std::string& pPath, const std::vector<char>& pBytes);
// File names of a folder, sorted.
std::vector<std::string> Listing(const fs::path& pFolder);

struct RunResult {
    int Status = -1; // exit status, or 128 + signal
    std::string Out;
    std::string Err;
};

// Path of the quillan-batch under test.
std::string BatchBinary();
// Runs quillan-batch with the arguments and waits for it.
RunResult RunBatch(const std::vector<std::string>& pArgs);

// A running quillan-batch for tests that signal it.
struct Spawned {
    int Pid = -1;
    std::string OutFile;
    std::string ErrFile;
};
// Standard input comes from pInput.
Spawned SpawnBatch(const std::vector<std::string>& pArgs, const std::string& pLogFolder,
                   const std::string& pInput = "/dev/null");
RunResult WaitBatch(const Spawned& pChild);

// The folder of the engine's reference cases ($QUILLAN_VECTORS, else the configured one).
std::string VectorsDir();

// The raw text of "key": value in a flat JSON object (strings keep their quotes).
std::optional<std::string> JsonValue(const std::string& pJson, const std::string& pKey);

// One value of a JSON object: a decoded string, or the raw text of a number, a literal, an
// array or an object.
struct JsonField {
    bool IsString = false;
    std::string Text;
};
// Strict parse of one line holding a JSON object (string, number and literal values; arrays
// and objects kept as text): the bytes must be valid UTF-8, strings free of raw control
// characters, escapes and surrogate pairs well formed, brackets balanced. Nothing, with the
// reason in error, when the line is not such an object.
std::optional<std::map<std::string, JsonField>> ParseJsonObject(const std::string& pLine,
                                                                std::string& pError);

} // namespace clitest
