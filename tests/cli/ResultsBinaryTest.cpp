// A quillan-batch killed outright (SIGKILL, power cut) leaves no file under a final name, and
// the next run into the same folder takes that name and sweeps the dead run's work file.

#include "CliTestSupport.h"
#include "platform/core/Process.h"
#include "services/core/ResultFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

using namespace clitest;

namespace {

// The name of a work file with data in folder, or empty.
std::string WorkFileWithData(const fs::path& folder) {
    for (const auto& e : fs::directory_iterator(folder)) {
        std::error_code ec;
        if (results::WorkFileOwner(e.path().filename().string()) > 0 &&
            fs::file_size(e.path(), ec) > 0 && !ec)
            return e.path().filename().string();
    }
    return {};
}

TEST(CliKilledRun, LeavesNoPlaceholderAndTheNextRunTakesTheName) {
    ScratchDir run;
    fs::create_directory(run / "s");
    fs::create_directory(run / "out");
    const std::string src = run / "s/f03.wav";
    WriteToneWav(src, 2, 44100, 44100 * 120, 9000);
    const auto original = ReadBytes(src);

    Spawned child = SpawnBatch({"-o", run / "out", src}, run.path().string());
    ASSERT_GT(child.pid, 0);
    std::string work;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while ((work = WorkFileWithData(run / "out")).empty() &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(child.pid, SIGKILL);
    RunResult killed = WaitBatch(child);
    ASSERT_EQ(killed.status, 128 + SIGKILL) << "the job ended before it was killed: " << killed.err;
    ASSERT_FALSE(work.empty());
    EXPECT_EQ(results::WorkFileOwner(work), child.pid);
    // Only the hidden work file: nothing under the final name.
    EXPECT_EQ(Listing(run / "out"), std::vector<std::string>{work});

    RunResult again = RunBatch({"-o", run / "out", "--no-trim", "--no-normalize", src});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(Listing(run / "out"), std::vector<std::string>{"f03.wav"});
    EXPECT_EQ(ReadBytes(src), original);
}

} // namespace
