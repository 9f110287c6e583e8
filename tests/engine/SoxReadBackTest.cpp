// Outputs of every sample format read back by an independent decoder (sox): the header
// describes the audio, and the decoded samples are the bytes the engine wrote.

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace enginetest;

TEST(SoxReadBack, EveryFormatDecodesToTheWrittenAudio) {
    if (!HaveSox()) GTEST_SKIP() << "sox not installed";
    TempDir tmp;
    struct Case {
        int32_t Bits, Channels, Rate, Frames;
    };
    for (const Case& c :
         {Case{8, 1, 22050, 7001}, Case{8, 2, 11025, 3000}, Case{16, 1, 8000, 5000},
          Case{16, 2, 44100, 30000}, Case{24, 1, 48000, 9001}, Case{24, 2, 96000, 20000}}) {
        SCOPED_TRACE(testing::Message() << c.Bits << "-bit " << c.Channels << "ch");
        const double full = c.Bits == 8 ? 127.0 : (c.Bits == 16 ? 32767.0 : 8388607.0);
        std::vector<int32_t> s;
        for (int32_t i = 0; i < c.Frames * c.Channels; ++i) {
            const double v = 0.4 * full * std::sin(i * 0.013) * (i > 500 ? 1.0 : 0.0);
            s.push_back(int32_t(std::lround(v)) + (c.Bits == 8 ? 128 : 0));
        }
        const std::string tag = std::to_string(c.Bits) + "_" + std::to_string(c.Channels);
        const std::string src = tmp.Path("in" + tag + ".wav");
        const std::string out = tmp.Path("out" + tag + ".wav");
        const std::string raw = tmp.Path("out" + tag + ".raw");
        WriteWav(src, c.Rate, c.Bits, c.Channels, s);
        Job job = Job::Between(src, out);
        job.Trim = true;
        job.StartMarginMs = 3;
        job.Normalize = true;
        job.NormLevelDb = -1.0f;
        job.FadeInFrames = 200;
        job.FadeOutFrames = 300;
        const EditResult r = job.Run();
        ASSERT_TRUE(r.Done());

        const std::vector<uint8_t> wav = ReadBytes(out);
        const uint32_t dataSize = DataSizeField(wav);
        const uint32_t frames = dataSize / uint32_t(c.Bits / 8 * c.Channels);
        std::string info;
        for (const char* flag : {"-r", "-c", "-b", "-s"}) {
            std::string line;
            ASSERT_EQ(RunCommand(std::string("sox --i ") + flag + " '" + out + "'", &line), 0);
            info += line;
        }
        EXPECT_EQ(info, std::to_string(c.Rate) + "\n" + std::to_string(c.Channels) + "\n" +
                            std::to_string(c.Bits) + "\n" + std::to_string(frames) + "\n");

        ASSERT_EQ(RunCommand("sox '" + out + "' -t raw '" + raw + "'"), 0);
        const std::vector<uint8_t> decoded = ReadBytes(raw);
        const std::vector<uint8_t> data(wav.begin() + 44, wav.begin() + 44 + dataSize);
        EXPECT_TRUE(decoded == data);
        EXPECT_GT(frames, 1000u);
    }
}
