#include "platform/gst/Player.h"
#include "common/PlayCases.h"
#include "engine/PlayRender.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
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

// Silence for as long as a play asks: a feed that outlasts any wait of the tests.
PcmFeed Silence(const PcmFormat& pF) {
    return [pF](int64_t, int64_t pFrames, std::vector<uint8_t>& pOut, std::string&) {
        pOut.assign(size_t(pFrames) * size_t(pF.Channels * pF.BitsPerSample / 8), 0);
        return true;
    };
}

// Polls the player (for at most 20 s) until pDone holds; returns the last state seen.
PlayState WaitFor(const Player& pPlayer, const std::function<bool(const PlayState&)>& pDone) {
    const auto until = Clock::now() + std::chrono::seconds(20);
    PlayState s = pPlayer.State();
    while (!pDone(s) && Clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        s = pPlayer.State();
    }
    return s;
}

PlayState WaitForEnd(const Player& pPlayer) {
    return WaitFor(pPlayer, [](const PlayState& s) { return !s.Playing; });
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

// Play returns at once and the device opens on the player's threads; the frame follows the
// clock once the sink plays, however long the pipeline takes to start on a busy machine; Stop
// ends a play; a sink that cannot open gives one message without a hang.
TEST(Player, StopsMovesAndFailsWithoutBlocking) {
    const PcmFormat format{48000, 2, 16, false};
    const int64_t minute = 60 * int64_t(format.Rate);
    const auto atOnce = std::chrono::milliseconds(200);
    Player player;

    SetSink("fakesink sync=true");
    const auto asked = Clock::now();
    player.Play(format, 0, minute, Silence(format));
    EXPECT_LT(Clock::now() - asked, atOnce);
    const PlayState playing =
        WaitFor(player, [](const PlayState& s) { return !s.Playing || s.Frame > 48000 / 10; });
    const double seconds = std::chrono::duration<double>(Clock::now() - asked).count();
    EXPECT_TRUE(playing.Playing) << playing.Error;
    EXPECT_GT(playing.Frame, 48000 / 10);
    EXPECT_LE(playing.Frame, int64_t(seconds * 48000)); // never ahead of the clock
    auto before = Clock::now();
    player.Stop();
    EXPECT_LT(Clock::now() - before, atOnce);
    EXPECT_FALSE(player.State().Playing);
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // nothing plays on
    EXPECT_FALSE(player.State().Playing);
    EXPECT_EQ(player.State().Error, "");

    SetSink("filesink location=/nonexistent-folder/device"); // a device that will not open
    player.Play(format, 0, minute, Silence(format));
    const PlayState failed = WaitForEnd(player);
    EXPECT_FALSE(failed.Playing);
    EXPECT_NE(failed.Error.find("cannot play"), std::string::npos) << failed.Error;
    SetSink("nosuchsink");
    player.Play(format, 0, minute, Silence(format));
    EXPECT_NE(WaitForEnd(player).Error.find("no audio output"), std::string::npos);
}
