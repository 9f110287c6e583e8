// ADTS frame counting, on hand-built streams and on a long stream made by ffmpeg.

#include "media/AdtsLength.h"
#include "media/C_FGraph.h"

#include "MediaTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

// One ADTS frame of pBytes bytes (header included), without CRC, pBlocks AAC blocks.
void AppendFrame(std::vector<uint8_t>& pOut, size_t pBytes, int pRateIndex = 4, int pChannels = 2,
                 int pBlocks = 1) {
    pOut.push_back(0xFF);
    pOut.push_back(0xF1);
    pOut.push_back(uint8_t((1 << 6) | (pRateIndex << 2) | (pChannels >> 2)));
    pOut.push_back(uint8_t(((pChannels & 3) << 6) | ((pBytes >> 11) & 3)));
    pOut.push_back(uint8_t((pBytes >> 3) & 0xFF));
    pOut.push_back(uint8_t(((pBytes & 7) << 5) | 0x1F));
    pOut.push_back(uint8_t(0xFC | (pBlocks - 1)));
    pOut.resize(pOut.size() + pBytes - 7, 0x21);
}

int32_t Ms(int64_t pSamples, int32_t pRate) {
    return int32_t(std::nearbyint(double(pSamples) * 1000.0 / pRate));
}

TEST(AdtsLength, CountsFramesAndBlocks) {
    ScratchFolder folder;
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 100; ++i)
        AppendFrame(bytes, 20 + size_t(i % 7));
    EXPECT_EQ(AdtsLengthMs(folder.Write("plain.aac", bytes)), Ms(100 * 1024, 44100));

    // Frames of several blocks, at 8 kHz.
    std::vector<uint8_t> blocks;
    for (int i = 0; i < 10; ++i)
        AppendFrame(blocks, 40, 11, 1, 4);
    EXPECT_EQ(AdtsLengthMs(folder.Write("blocks.aac", blocks)), Ms(40 * 1024, 8000));

    // An ID3v2 tag in front; an ID3v1 tag behind ends the count.
    std::vector<uint8_t> tagged = {'I', 'D', '3', 4, 0, 0, 0, 0, 1, 0}; // 128 bytes of tag
    tagged.resize(tagged.size() + 128, 0);
    tagged.insert(tagged.end(), bytes.begin(), bytes.end());
    for (char c : std::string("TAG"))
        tagged.push_back(uint8_t(c));
    tagged.resize(tagged.size() + 125, 0);
    EXPECT_EQ(AdtsLengthMs(folder.Write("tagged.aac", tagged)), Ms(100 * 1024, 44100));
}

TEST(AdtsLength, StopsAtDamageAndRefusesOtherData) {
    ScratchFolder folder;
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 10; ++i)
        AppendFrame(bytes, 30);
    AppendFrame(bytes, 30, 7); // another sample rate: not this stream
    for (int i = 0; i < 10; ++i)
        AppendFrame(bytes, 30);
    EXPECT_EQ(AdtsLengthMs(folder.Write("mixed.aac", bytes)), Ms(10 * 1024, 44100));

    // A last frame cut by the end of the file still counts.
    std::vector<uint8_t> cut;
    for (int i = 0; i < 5; ++i)
        AppendFrame(cut, 30);
    cut.resize(cut.size() - 10);
    EXPECT_EQ(AdtsLengthMs(folder.Write("cut.aac", cut)), Ms(5 * 1024, 44100));

    // A frame size below the header's own ends the walk instead of looping.
    std::vector<uint8_t> zero;
    AppendFrame(zero, 30);
    AppendFrame(zero, 7);
    zero[30 + 4] = 0;
    zero[30 + 5] &= 0x1F;
    EXPECT_EQ(AdtsLengthMs(folder.Write("zero.aac", zero)), Ms(1024, 44100));

    EXPECT_EQ(AdtsLengthMs(folder.Write("empty.aac", {})), std::nullopt);
    EXPECT_EQ(AdtsLengthMs(FixturePath("audio.m4a")), std::nullopt);
    EXPECT_EQ(AdtsLengthMs("/nonexistent/quillan/none.aac"), std::nullopt);
}

std::string Shell(const std::string& pCommand) {
    std::string out;
    if (FILE* pipe = ::popen(pCommand.c_str(), "r")) {
        char buffer[256];
        while (size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
            out.append(buffer, got);
        ::pclose(pipe);
    }
    return out;
}

TEST(AdtsLength, LongStreamHasTheSameExactLengthEveryTime) {
    // Twenty minutes: GStreamer's estimate from the bit rate is seconds off here.
    ScratchFolder folder;
    std::string path = folder.Path("long.aac");
    Shell("ffmpeg -hide_banner -loglevel error -y -f lavfi "
          "-i sine=frequency=440:sample_rate=8000:duration=1200 -c:a aac -b:a 8k -f adts '" +
          path + "'");
    int64_t packets = std::atoll(Shell("ffprobe -v error -count_packets -show_entries "
                                       "stream=nb_read_packets -of csv=p=0 '" +
                                       path + "'")
                                     .c_str());
    ASSERT_GT(packets, 9000);
    int32_t expected = Ms(packets * 1024, 8000);
    for (int run = 0; run < 3; ++run) {
        C_FGraph graph;
        graph.Init();
        graph.FileName(path);
        EXPECT_EQ(graph.Length(), expected) << "run " << run;
    }
}

} // namespace
