// quillan-batch --watch on a real folder: files taken once, whole and settled; restarts,
// moves, bursts, a stop mid-file and a folder that goes away.

#include "CliTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

using namespace clitest;

namespace {

using Clock = std::chrono::steady_clock;

// Polls pDone until it holds or a generous deadline passes (the machine may be loaded).
bool WaitFor(const std::function<bool()>& pDone, int pSeconds = 120) {
    const auto deadline = Clock::now() + std::chrono::seconds(pSeconds);
    while (!pDone()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// How often each source got a JSON line, and how many of them were skipped.
struct Lines {
    std::map<std::string, int> PerSource;
    size_t Total = 0, Skipped = 0, Done = 0;
};

Lines ParseLines(const std::string& pText) {
    Lines l;
    std::istringstream in(pText);
    for (std::string line; std::getline(in, line);) {
        std::string error;
        auto obj = ParseJsonObject(line, error);
        if (!obj) continue; // a line still being written
        ++l.Total;
        ++l.PerSource[fs::path(obj->at("source").Text).filename().string()];
        l.Skipped += obj->at("skipped").Text == "true";
        l.Done += obj->at("result").Text == "1";
    }
    return l;
}

class Watch : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* f : {"in", "out", "done", "failed", "stage"})
            fs::create_directory(Dir / f);
    }
    void Start(std::vector<std::string> pExtra = {}) {
        std::vector<std::string> args{"--watch", Dir / "in", "-o", Dir / "out",
                                      "--json",  "--settle", "0.3"};
        args.insert(args.end(), pExtra.begin(), pExtra.end());
        Child = SpawnBatch(args, Dir.path().string());
        ASSERT_GT(Child.Pid, 0);
        ASSERT_TRUE(WaitFor([&] {
            return ReadText(Child.ErrFile).find("watching") != std::string::npos;
        })) << ReadText(Child.ErrFile);
    }
    Lines Seen() const { return ParseLines(ReadText(Child.OutFile)); }
    bool SeenLines(size_t pCount) {
        return WaitFor([&] { return Seen().Total >= pCount; });
    }
    RunResult Stop() {
        ::kill(Child.Pid, SIGTERM);
        return WaitBatch(Child);
    }
    // A tone written elsewhere and moved in whole.
    void MoveIn(const std::string& pName, int64_t pFrames = 4800) {
        const std::string staged = Dir / ("stage/" + fs::path(pName).filename().string());
        WriteToneWav(staged, 1, 48000, pFrames, 9000);
        fs::rename(staged, Dir / ("in/" + pName));
    }

    ScratchDir Dir;
    Spawned Child;
};

TEST_F(Watch, ASlowlyWrittenFileIsTakenOnceWholeAndTemporaryNamesAreLeftAlone) {
    ASSERT_NO_FATAL_FAILURE(Start({"--settle", "1.5"}));
    // A recorder that appends and closes every 100 ms: each close is an event, and the file
    // must not be taken before it stops growing.
    const std::string whole = Dir / "stage/take.wav";
    WriteToneWav(whole, 2, 48000, 48000, 12000);
    const std::vector<char> bytes = ReadBytes(whole);
    const size_t step = bytes.size() / 10 + 1;
    for (size_t at = 0; at < bytes.size(); at += step) {
        std::ofstream f(Dir / "in/take.wav", std::ios::binary | std::ios::app);
        f.write(bytes.data() + at, static_cast<std::streamsize>(std::min(step, bytes.size() - at)));
        f.close();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    MoveIn("moved.wav");
    for (const char* ignored : {".hidden.wav", "b.wav.part", "c.wav~", "d.wav.tmp"})
        WriteToneWav(Dir / (std::string("in/") + ignored), 1, 8000, 800, 9000);
    ASSERT_TRUE(SeenLines(2)) << ReadText(Child.ErrFile);
    // Longer than a settle time more: a second take would show.
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    const RunResult r = Stop();
    EXPECT_EQ(r.Status, 128 + SIGTERM) << r.Err;
    const Lines l = ParseLines(r.Out);
    EXPECT_EQ(l.PerSource, (std::map<std::string, int>{{"moved.wav", 1}, {"take.wav", 1}}))
        << r.Out;
    EXPECT_EQ(l.Done, 2u) << r.Out;
    EXPECT_NE(r.Out.find("\"bytes_read\": " + std::to_string(bytes.size())), std::string::npos)
        << r.Out;
    EXPECT_EQ(Listing(Dir.path() / "out"), (std::vector<std::string>{"moved.wav", "take.wav"}));
}

TEST_F(Watch, ARestartRedoesNothing) {
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        MoveIn(name);
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(SeenLines(3)) << ReadText(Child.ErrFile);
    EXPECT_EQ(Stop().Status, 128 + SIGTERM);
    const auto before = fs::last_write_time(Dir / "out/a.wav");
    const auto first = ReadBytes(Dir / "out/b.wav");

    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(SeenLines(3)) << ReadText(Child.ErrFile);
    const RunResult r = Stop();
    const Lines l = ParseLines(r.Out);
    EXPECT_EQ(l.Total, 3u) << r.Out;
    EXPECT_EQ(l.Skipped, 3u) << r.Out;
    EXPECT_EQ(fs::last_write_time(Dir / "out/a.wav"), before);
    EXPECT_EQ(ReadBytes(Dir / "out/b.wav"), first);
    EXPECT_EQ(Listing(Dir.path() / "out"), (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
}

TEST_F(Watch, SourcesAreMovedMirroredAndFailuresSetAsideWithTheirReason) {
    fs::create_directory(Dir / "in/sub");
    MoveIn("sub/early.wav");
    WriteBytes(Dir / "in/bad.wav", {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v'});
    ASSERT_NO_FATAL_FAILURE(
        Start({"--mirror", Dir / "in", "--then-move", Dir / "done", "--failed", Dir / "failed"}));
    // A folder made while watching is watched too.
    fs::create_directories(Dir / "in/new/deep");
    MoveIn("new/deep/late.wav");
    MoveIn("top.wav");
    ASSERT_TRUE(SeenLines(4)) << ReadText(Child.ErrFile);
    const RunResult r = Stop();
    EXPECT_EQ(ParseLines(r.Out).Done, 3u) << r.Out;
    EXPECT_EQ(Listing(Dir.path() / "done"), (std::vector<std::string>{"new", "sub", "top.wav"}));
    EXPECT_TRUE(fs::exists(Dir / "done/sub/early.wav"));
    EXPECT_TRUE(fs::exists(Dir / "done/new/deep/late.wav"));
    EXPECT_TRUE(fs::exists(Dir / "out/new/deep/late.wav"));
    EXPECT_EQ(Listing(Dir.path() / "failed"), (std::vector<std::string>{"bad.wav", "bad.wav.txt"}));
    EXPECT_NE(ReadText(Dir / "failed/bad.wav.txt").find("not a RIFF/WAVE file"), std::string::npos);
    EXPECT_FALSE(fs::exists(Dir / "in/top.wav"));
    EXPECT_FALSE(fs::exists(Dir / "in/bad.wav"));
}

TEST_F(Watch, ABurstOfFilesIsProcessedExactlyOnceEach) {
    ASSERT_NO_FATAL_FAILURE(Start({"-j", "4", "--then-move", Dir / "done"}));
    constexpr int kFiles = 200;
    for (int i = 0; i < kFiles; ++i)
        WriteToneWav(Dir / ("stage/f" + std::to_string(i) + ".wav"), 1, 8000, 400 + i, 9000);
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "f" + std::to_string(i) + ".wav";
        fs::rename(Dir / ("stage/" + name), Dir / ("in/" + name));
    }
    ASSERT_TRUE(SeenLines(kFiles)) << ReadText(Child.ErrFile);
    const RunResult r = Stop();
    const Lines l = ParseLines(r.Out);
    EXPECT_EQ(l.Total, size_t(kFiles));
    EXPECT_EQ(l.PerSource.size(), size_t(kFiles));
    EXPECT_EQ(l.Done, size_t(kFiles)) << r.Err;
    EXPECT_EQ(Listing(Dir.path() / "out").size(), size_t(kFiles));
    EXPECT_EQ(Listing(Dir.path() / "done").size(), size_t(kFiles));
    EXPECT_TRUE(Listing(Dir.path() / "in").empty());
}

TEST_F(Watch, AStopMidFileLeavesNothingHalfDone) {
    const std::string staged = Dir / "stage/long.wav";
    WriteToneWav(staged, 2, 44100, 44100 * 240, 9000);
    const auto original = ReadBytes(staged);
    ASSERT_NO_FATAL_FAILURE(Start({"--then-move", Dir / "done"}));
    fs::rename(staged, Dir / "in/long.wav");
    // Stop once the job is writing its hidden work file.
    ASSERT_TRUE(WaitFor([&] {
        for (const auto& e : fs::directory_iterator(Dir.path() / "out"))
            if (e.path().filename().string().rfind(".quillan-lock", 0) != 0) return true;
        return false;
    }));
    const RunResult r = Stop();
    EXPECT_EQ(r.Status, 128 + SIGTERM) << r.Err;
    EXPECT_EQ(ParseLines(r.Out).Done, 0u) << "the file was done before the stop; make it longer";
    for (const auto& name : Listing(Dir.path() / "out"))
        EXPECT_EQ(name.rfind(".quillan-lock", 0), 0u) << name;
    EXPECT_EQ(ReadBytes(Dir / "in/long.wav"), original);
    EXPECT_TRUE(Listing(Dir.path() / "done").empty());
}

TEST_F(Watch, TheWatchedFolderGoingAwayEndsTheRunWithAClearError) {
    ASSERT_NO_FATAL_FAILURE(Start());
    fs::remove_all(Dir / "in");
    bool ended = WaitFor(
        [&] { return ReadText(Child.ErrFile).find("stopped watching") != std::string::npos; }, 60);
    const RunResult r = ended ? WaitBatch(Child) : Stop();
    EXPECT_TRUE(ended) << r.Err;
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("the watched folder '" + (Dir / "in") + "' was deleted"),
              std::string::npos)
        << r.Err;
}

} // namespace
