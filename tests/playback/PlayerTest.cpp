#include "platform/gst/Player.h"
#include "common/PlayCases.h"
#include "engine/PlayRender.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

using namespace platform::gst;
using Clock = std::chrono::steady_clock;

namespace {

class TempDir {
  public:
    TempDir() {
        m_Dir = std::filesystem::temp_directory_path() /
                ("quillan-play-" + std::to_string(::getpid()) + "-" + std::to_string(s_Count++));
        std::filesystem::create_directories(m_Dir);
    }
    ~TempDir() { std::filesystem::remove_all(m_Dir); }
    std::string Path(const std::string& pName) const { return (m_Dir / pName).string(); }

  private:
    static inline int s_Count = 0;
    std::filesystem::path m_Dir;
};

PcmFormat FormatOf(const PlayRender& pR) {
    return {pR.Info().SampleRate, pR.Info().Channels, pR.Info().BitsPerSample, pR.Float()};
}

PcmFeed FeedOf(PlayRender& pR) {
    return [&pR](int64_t pFirst, int64_t pFrames, std::vector<uint8_t>& pOut, std::string&) {
        return pR.Read(pFirst, pFrames, pOut);
    };
}

// Waits (at most 20 s) until the player has stopped playing.
PlayState WaitForEnd(const Player& pPlayer) {
    const auto until = Clock::now() + std::chrono::seconds(20);
    while (pPlayer.State().Playing && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return pPlayer.State();
}

void SetSink(const char* pDescription) {
    ::setenv("QUILLAN_AUDIO_SINK", pDescription, 1);
}

} // namespace

// What reaches the sink is the run's written audio in the played window, in every format
// (surround included) and mode.
TEST(Player, TheSinkGetsTheRunsResult) {
    SetSink("appsink");
    TempDir dir;
    Player player;
    playcases::ForEachWrittenCase(dir.Path(""), [&player](const EditJob& job, const WaveOverview& o,
                                                          const std::vector<uint8_t>& written) {
        PlayRender render(job.SourcePath, job, playcases::FullPreview(o, job), false);
        const int64_t align = render.Info().BlockAlign;
        const FrameWindow w = EndWindow(render.Frames(), 48000, 0.5);
        player.Play(FormatOf(render), w.First, w.First + w.Frames, FeedOf(render));
        const PlayState s = WaitForEnd(player);
        EXPECT_EQ(s.Error, "");
        EXPECT_EQ(s.Frame, render.Frames()); // ended on the end cut
        const std::vector<uint8_t> want(written.begin() + w.First * align, written.end());
        EXPECT_EQ(player.Received(), want);
    });
}

// Play returns at once and the device opens on the player's threads; Stop ends a play and the
// frame moves while it plays; a sink that cannot open gives one message without a hang.
TEST(Player, StopsMovesAndFailsWithoutBlocking) {
    TempDir dir;
    const std::string source = dir.Path("take.wav");
    playcases::WriteTake(source, playcases::Takes()[0].Format);
    PlayRender render(source, {}, {}, true);
    Player player;

    SetSink("fakesink sync=true");
    auto before = Clock::now();
    player.Play(FormatOf(render), 0, render.Frames(), FeedOf(render));
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    const PlayState playing = player.State();
    EXPECT_TRUE(playing.Playing);
    EXPECT_GT(playing.Frame, 48000 / 10);
    EXPECT_LT(playing.Frame, render.Frames());
    before = Clock::now();
    player.Stop();
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(50));
    EXPECT_FALSE(player.State().Playing);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(player.State().Playing);
    EXPECT_EQ(player.State().Error, "");

    SetSink("filesink location=/nonexistent-folder/device"); // a device that will not open
    player.Play(FormatOf(render), 0, render.Frames(), FeedOf(render));
    const PlayState failed = WaitForEnd(player);
    EXPECT_FALSE(failed.Playing);
    EXPECT_NE(failed.Error.find("cannot play"), std::string::npos) << failed.Error;
    SetSink("nosuchsink");
    player.Play(FormatOf(render), 0, render.Frames(), FeedOf(render));
    EXPECT_NE(WaitForEnd(player).Error.find("no audio output"), std::string::npos);
}
