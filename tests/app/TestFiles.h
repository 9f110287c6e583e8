#pragma once
// Temporary folders and small WAV files for the window tests.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testfiles {

// A fresh folder under the system temp folder, removed with everything in it
// when the object goes away.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_Path; }
    std::string operator/(const std::string& name) const { return (m_Path / name).string(); }

  private:
    std::filesystem::path m_Path;
};

// Interleaved 16-bit samples (left, right for stereo).
struct Pcm16 {
    int32_t sampleRate = 44100;
    int16_t channels = 2;
    std::vector<int16_t> samples;
    size_t Frames() const { return samples.size() / size_t(channels); }
};

// `silenceMs` of silence, `toneMs` of a 1 kHz tone at `amplitude`, `silenceMs`
// of silence again.
Pcm16 ToneWithSilence(int32_t silenceMs, int32_t toneMs, int16_t amplitude,
                      int32_t sampleRate = 44100, int16_t channels = 2);

void WriteWav16(const std::string& path, const Pcm16& pcm);
// Reads a plain 16-bit PCM file; an empty sample list when it is not one.
Pcm16 ReadWav16(const std::string& path);

int32_t PeakOf(const Pcm16& pcm);
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

} // namespace testfiles
