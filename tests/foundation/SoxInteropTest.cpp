// An independent reader agrees with the header writer and the size fix, and the header
// reader agrees with an independent writer. sox is installed by scripts/deps.
#include "FoundationUtil.h"
#include "engine/WaveMMIO.h"

#include <array>
#include <cstdio>
#include <vector>

using namespace foundation_test;

namespace {

// Output of a shell command, or "<failed>" when it could not run or exited non-zero.
std::string RunCommand(const std::string& pCommand) {
    std::FILE* pipe = ::popen((pCommand + " 2>/dev/null").c_str(), "r");
    if (!pipe) return "<failed>";
    std::string out;
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0)
        out.append(buf.data(), n);
    return ::pclose(pipe) == 0 ? out : "<failed>";
}

std::string SoxInfo(const std::string& pOption, const std::string& pPath) {
    std::string out = RunCommand("sox --i " + pOption + " '" + pPath + "'");
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

// Writes header + audio + size fix the way the edit engine does.
void WriteWave(const std::string& pPath, int32_t pRate, int16_t pBits, int16_t pChannels,
               const std::string& pAudio) {
    FileHandle h = WriteWaveHeader(pRate, pBits, pChannels, pPath, 0, 1);
    ASSERT_GE(h, 3);
    h = WriteAt(pAudio.data(), int32_t(pAudio.size()), -1, h, pPath);
    ASSERT_GE(h, 3);
    const int32_t pad = IsOdd(int64_t(pAudio.size()));
    if (pad) h = WriteAt("\0", 1, -1, h, pPath);
    ASSERT_GE(h, 3);
    ASSERT_EQ(FixWaveSizes(pPath, pad, 0, h), 1);
    CloseFile(h);
}

std::string Ramp(size_t pBytes) {
    std::string s(pBytes, '\0');
    for (size_t i = 0; i < pBytes; ++i)
        s[i] = char((i * 7 + 3) & 0xFF);
    return s;
}

class SoxInterop : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        ASSERT_NE(RunCommand("sox --version"), "<failed>") << "sox is missing: run scripts/deps";
    }
};

} // namespace

// Plain stereo 16-bit, extensible 6-channel 24-bit, and mono 8-bit with a pad byte.
TEST_F(SoxInterop, ReadsBackWhatTheHeaderWriterWrote) {
    struct Case {
        int32_t Rate;
        int16_t Bits, Channels;
        size_t Bytes;
        const char* Frames;
    };
    const Case cases[] = {{44100, 16, 2, 44100 * 4 / 10, "4410"},
                          {48000, 24, 6, 18 * 4800, "4800"},
                          {8000, 8, 1, 8001, "8001"}};
    for (const Case& c : cases) {
        const std::string f = PathOf("written.wav");
        const std::string audio = Ramp(c.Bytes);
        WriteWave(f, c.Rate, c.Bits, c.Channels, audio);
        EXPECT_EQ(SoxInfo("-r", f), std::to_string(c.Rate));
        EXPECT_EQ(SoxInfo("-c", f), std::to_string(c.Channels));
        EXPECT_EQ(SoxInfo("-b", f), std::to_string(c.Bits));
        EXPECT_EQ(SoxInfo("-s", f), c.Frames);
        // The samples sox decodes are the bytes that were appended.
        EXPECT_EQ(RunCommand("sox '" + f + "' -t raw -"), audio) << c.Channels;
        const size_t header = c.Channels == 6 ? 68 : 44;
        EXPECT_EQ(ReadBytes(f).size(), header + c.Bytes + c.Bytes % 2);
    }
}

TEST_F(SoxInterop, HeaderReaderAgreesWithSoxWrittenFiles) {
    struct Case {
        const char* Args;
        int32_t Rate, Channels, Bits, Frames, Code;
    };
    const Case cases[] = {{"-r 22050 -c 1 -b 8", 22050, 1, 8, 2205, 0},
                          {"-r 44100 -c 2 -b 16", 44100, 2, 16, 4410, 3},
                          {"-r 96000 -c 2 -b 24", 96000, 2, 24, 9600, 5},
                          {"-r 48000 -c 6 -b 24", 48000, 6, 24, 4800, 8},
                          {"-r 48000 -c 8 -b 16", 48000, 8, 16, 4800, 7}};
    for (const Case& c : cases) {
        const std::string f = PathOf("sox.wav");
        ASSERT_NE(RunCommand(std::string("sox -n ") + c.Args + " '" + f + "' synth 0.1 sine 440"),
                  "<failed>");
        const WaveInfo w = ReadWaveInfo(f);
        EXPECT_EQ(w.Valid, 1) << c.Args;
        EXPECT_EQ(w.SampleRate, c.Rate) << c.Args;
        EXPECT_EQ(w.Channels, c.Channels) << c.Args;
        EXPECT_EQ(w.BitsPerSample, c.Bits) << c.Args;
        EXPECT_EQ(w.SampleFrames, c.Frames) << c.Args;
        EXPECT_EQ(w.FormatCode, c.Code) << c.Args;
        EXPECT_EQ(w.LengthMs, 100) << c.Args;
        EXPECT_EQ(w.DataOffset + w.DataSize + IsOdd(w.DataSize), w.FileSize) << c.Args;
    }
}
