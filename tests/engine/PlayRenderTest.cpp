#include "engine/PlayRender.h"
#include "common/PlayCases.h"
#include "engine/EngineTestSupport.h"

#include <gtest/gtest.h>

using namespace enginetest;

namespace {

std::vector<uint8_t> Slice(const std::vector<uint8_t>& pData, const FrameWindow& pW,
                           int64_t pAlign) {
    return {pData.begin() + pW.First * pAlign, pData.begin() + (pW.First + pW.Frames) * pAlign};
}

} // namespace

// Every window of what plays is the run's written audio at the same frames, in every format
// and mode; the start and end windows begin and end on the cuts.
TEST(PlayRender, PlaysWhatTheRunWrites) {
    TempDir dir;
    playcases::ForEachWrittenCase(dir.Path(""), [](const EditJob& job, const WaveOverview& o,
                                                   const std::vector<uint8_t>& written) {
        PlayRender render(job.SourcePath, job, playcases::FullPreview(o, job), false);
        ASSERT_FALSE(render.Failure());
        const int64_t align = render.Info().BlockAlign;
        ASSERT_EQ(render.Frames() * align, int64_t(written.size()));
        const int64_t total = render.Frames();
        for (const FrameWindow w : {FrameWindow{0, total}, StartWindow(total, 48000, 0.3),
                                    EndWindow(total, 48000, 0.3), FrameWindow{total / 3, 777}}) {
            std::vector<uint8_t> played;
            ASSERT_TRUE(render.Read(w.First, w.Frames, played));
            EXPECT_EQ(played, Slice(written, w, align)) << w.First << "+" << w.Frames;
        }
    });
}

TEST(PlayRender, WindowsAndFailures) {
    EXPECT_EQ(StartWindow(100000, 10000, 3.0).Frames, 30000);
    const FrameWindow end = EndWindow(100000, 10000, 3.0);
    EXPECT_EQ(end.First + end.Frames, 100000);
    EXPECT_EQ(end.First, 70000);
    EXPECT_EQ(EndWindow(1000, 10000, 3.0).First, 0); // shorter than the window: all of it

    TempDir dir;
    const std::string source = dir.Path("t.wav");
    playcases::WriteTake(source, playcases::Takes()[2].Format);
    EditJob job;
    JobPreview unknownGain;
    unknownGain.Range = TrimmedRange{0, 10, 0, 0};
    EXPECT_TRUE(PlayRender(source, job, unknownGain, false).Failure());
    // A file cut after it was measured is not played from stale frames.
    JobPreview stale = unknownGain;
    stale.Gain = 1.0f;
    stale.Range->End = 1 << 30;
    EXPECT_TRUE(PlayRender(source, job, stale, false).Failure());
    EXPECT_TRUE(PlayRender(dir.Path("none.wav"), job, stale, true).Failure());
    // The source as it is: its own frames.
    PlayRender asIs(source, job, {}, true);
    std::vector<uint8_t> played;
    ASSERT_TRUE(asIs.Read(0, asIs.Frames(), played));
    const std::vector<uint8_t> data = playcases::AudioOf(source);
    EXPECT_EQ(played, data);
}
