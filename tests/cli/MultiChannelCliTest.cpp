// quillan-batch on files of more than two channels: --adjust reaches every channel, differing
// left and right levels fail those files alone (the batch goes on with the others).

#include "CliTestSupport.h"

#include <gtest/gtest.h>

using namespace clitest;

namespace {

TEST(MultiChannelCli, LeftAndRightLevelsFailOnlyTheFilesOfMoreThanTwoChannels) {
    ScratchDir dir;
    fs::create_directory(dir / "out");
    const std::string six = dir / "six.wav", two = dir / "two.wav";
    WriteToneWav(six, 6, 8000, 4000, 12000);
    WriteToneWav(two, 2, 8000, 4000, 12000);

    RunResult r = RunBatch(
        {"-q", "--no-trim", "--no-normalize", "--adjust-left", "-3", "-o", dir / "out", six, two});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find(six + ": invalid argument: separate left and right level adjustments do "
                               "not apply to 6 channels"),
              std::string::npos)
        << r.Err;
    EXPECT_EQ(r.Err.find(two), std::string::npos) << r.Err;
    EXPECT_EQ(Listing(dir / "out"), std::vector<std::string>{"two.wav"});

    // One level for all channels: every sample of the six scaled alike (-6.02 dB halves).
    r = RunBatch(
        {"-q", "--no-trim", "--no-normalize", "--adjust", "-6.0206", "-o", dir / "out", six});
    EXPECT_EQ(r.Status, 0) << r.Err;
    const std::vector<char> in = ReadBytes(six), out = ReadBytes(dir / "out/six.wav");
    ASSERT_EQ(out.size(), in.size() + 24); // the 68-byte extensible header
    size_t halved = 0;
    for (size_t i = 44; i + 1 < in.size(); i += 2) {
        const int v = int16_t(uint8_t(in[i]) | (uint8_t(in[i + 1]) << 8));
        const int w = int16_t(uint8_t(out[i + 24]) | (uint8_t(out[i + 25]) << 8));
        EXPECT_LE(std::abs(2 * w - v), 1) << i;
        halved += v != 0;
    }
    EXPECT_GT(halved, 1000u);
}

} // namespace
