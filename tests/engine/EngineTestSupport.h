#pragma once

// Helpers of the engine tests: temporary folders, WAV files made from sample values,
// reading files back, and one call of the edit job with named arguments.

#include "engine/C_EditWave.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace enginetest {

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    std::string Path(const std::string& pName) const { return (m_Dir / pName).string(); }

  private:
    std::filesystem::path m_Dir;
};

std::vector<uint8_t> ReadBytes(const std::string& pPath);
void WriteBytes(const std::string& pPath, const std::vector<uint8_t>& pBytes);

// A plain 44-byte-header WAV of interleaved sample values (8-bit values are the stored
// bytes 0..255; 24-bit values are packed). pDataSizeField overrides the data size field.
std::vector<uint8_t> MakeWav(int32_t pRate, int32_t pBits, int32_t pChannels,
                             const std::vector<int32_t>& pSamples, int64_t pDataSizeField = -1);
void WriteWav(const std::string& pPath, int32_t pRate, int32_t pBits, int32_t pChannels,
              const std::vector<int32_t>& pSamples);
// Sample values of a WAV written by the engine (plain header assumed).
std::vector<int32_t> ReadSamples(const std::string& pPath, int32_t pBits);
uint32_t DataSizeField(const std::vector<uint8_t>& pWav);

// One job; by default no trimming, normalising or adjusting.
struct Job : EditJob {
    static Job Between(const std::string& pSource, const std::string& pTarget);
    EditResult Run(const C_EditWave::Progress& pProgress = {}) const {
        return C_EditWave().Edit(*this, pProgress);
    }
};

// Writes pSamples as in.wav in pDir; a job from it to out.wav beside it.
Job JobOverNewWav(const TempDir& pDir, int32_t pRate, int32_t pBits, int32_t pChannels,
                  const std::vector<int32_t>& pSamples);

// Runs the jobs as one set (album mode): each file measured, the measures pooled, each file
// then written with the set's levels. Results in job order; a file that failed measuring keeps
// that result and is left out of the set. pPooled, when given, receives the set's levels.
std::vector<EditResult> RunAsSet(const std::vector<EditJob>& pJobs, SetLevels* pPooled = nullptr);

// Runs a command through the shell; its exit status and standard output.
int RunCommand(const std::string& pCommand, std::string* pOutput = nullptr);
bool HaveSox();

} // namespace enginetest
