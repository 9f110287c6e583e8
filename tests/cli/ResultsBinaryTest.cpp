// Where the real quillan-batch puts its results: never an empty result over a source, never a
// placeholder under a final name after a kill, a read-only source refused up front.

#include "CliTestSupport.h"
#include "platform/core/Process.h"
#include "services/core/ResultFiles.h"
#include "services/job/CompleteWave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <thread>

using namespace clitest;

namespace {

// The name of a work file with data in folder, or empty.
std::string WorkFileWithData(const fs::path& pFolder) {
    for (const auto& e : fs::directory_iterator(pFolder)) {
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
    ASSERT_GT(child.Pid, 0);
    std::string work;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while ((work = WorkFileWithData(run / "out")).empty() &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(child.Pid, SIGKILL);
    RunResult killed = WaitBatch(child);
    ASSERT_EQ(killed.Status, 128 + SIGKILL) << "the job ended before it was killed: " << killed.Err;
    ASSERT_FALSE(work.empty());
    EXPECT_EQ(results::WorkFileOwner(work), child.Pid);
    // Only the hidden work file: nothing under the final name.
    EXPECT_EQ(Listing(run / "out"), std::vector<std::string>{work});

    RunResult again = RunBatch({"-o", run / "out", "--no-trim", "--no-normalize", src});
    EXPECT_EQ(again.Status, 0) << again.Err;
    EXPECT_EQ(Listing(run / "out"), std::vector<std::string>{"f03.wav"});
    EXPECT_EQ(ReadBytes(src), original);
}

TEST(CliResults, ASilentRecordingIsNeverReplacedByAnEmptyFile) {
    ScratchDir run;
    fs::create_directory(run / "out");
    const std::string src = run / "quiet.wav";
    WriteToneWav(src, 2, 8000, 8000, 100); // peak about -50 dBFS, below the -45 dB threshold
    const auto original = ReadBytes(src);

    RunResult over = RunBatch({"--overwrite", src});
    EXPECT_EQ(over.Status, 1) << over.Err;
    EXPECT_NE(over.Err.find("quiet.wav: no sound above the start threshold: source kept"),
              std::string::npos)
        << over.Err;
    EXPECT_EQ(ReadBytes(src), original);
    EXPECT_EQ(Listing(run.path()), (std::vector<std::string>{"out", "quiet.wav"}));

    // Into a folder the empty result is written, with a warning on stderr and in JSON.
    RunResult toFolder = RunBatch({"-o", run / "out", "--json", src});
    EXPECT_EQ(toFolder.Status, 0) << toFolder.Err;
    EXPECT_EQ(Listing(run / "out"), std::vector<std::string>{"quiet.wav"});
    EXPECT_NE(toFolder.Err.find("quiet.wav: warning: no sound above the start threshold"),
              std::string::npos)
        << toFolder.Err;
    EXPECT_NE(toFolder.Out.find("\"warning\": \"no sound above the start threshold"),
              std::string::npos)
        << toFolder.Out;
}

TEST(CliResults, AReadOnlySourceIsRefusedBeforeTheEdit) {
    ScratchDir run;
    const std::string src = run / "take.wav";
    WriteToneWav(src, 2, 8000, 8000, 9000);
    const auto original = ReadBytes(src);
    fs::permissions(src, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    RunResult r = RunBatch({"--overwrite", src});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("take.wav: the source is read-only: not replaced"), std::string::npos)
        << r.Err;
    EXPECT_EQ(ReadBytes(src), original);
    EXPECT_EQ(Listing(run.path()), std::vector<std::string>{"take.wav"});
}

} // namespace

TEST(CliSkipExisting, AnOutputFolderReachedThroughALinkNeverReplacesASource) {
    ScratchDir run;
    fs::create_directory(run / "s");
    const std::string src = run / "s/tagged.wav";
    WriteToneWav(src, 2, 8000, 8000, 9000);
    std::vector<char> tagged = ReadBytes(src);
    for (char c : std::string("ID3\x03\0\0\0\0\0\0", 10))
        tagged.push_back(c); // the sizes no longer match the file: not a complete result
    WriteBytes(src, tagged);
    fs::create_directory_symlink(run / "s", run / "here");
    const RunResult r = RunBatch({"--skip-existing", "-o", run / "here", src});
    EXPECT_EQ(r.Status, 2) << r.Err;
    EXPECT_NE(r.Err.find("would be its own result"), std::string::npos) << r.Err;
    EXPECT_EQ(ReadBytes(src), tagged);
    EXPECT_EQ(Listing(run / "s"), std::vector<std::string>{"tagged.wav"});
}

TEST(CliSummary, NeverWrittenOverASourceOrAResultOfTheRun) {
    ScratchDir run;
    fs::create_directory(run / "out");
    const std::string src = run / "s.wav";
    WriteToneWav(src, 1, 8000, 800, 9000);
    const auto original = ReadBytes(src);
    for (const std::string& summary : {src, std::string(run / "out/s.wav")}) {
        SCOPED_TRACE(summary);
        fs::remove(run / "out/s.wav");
        const RunResult r = RunBatch({"-o", run / "out", "--summary-json", summary, src});
        EXPECT_EQ(r.Status, 1) << r.Err;
        EXPECT_NE(r.Err.find("a source or result of this run"), std::string::npos) << r.Err;
        EXPECT_EQ(ReadBytes(src), original);
        EXPECT_TRUE(job::IsCompleteWave(run / "out/s.wav"));
    }
    EXPECT_EQ(Listing(run.path()), (std::vector<std::string>{"out", "s.wav"}));
}

TEST(CliDurability, AResultIsFlushedBeforeItTakesItsNameAndTheFolderAfter) {
    if (std::system("command -v strace >/dev/null 2>&1") != 0) GTEST_SKIP() << "no strace";
    ScratchDir run;
    fs::create_directory(run / "out");
    const std::string src = run / "in.wav";
    // A new name in the output folder, and the replace of the source.
    for (const auto& [mode, landed] :
         {std::pair<std::string, std::string>{"-o " + (run / "out"), "out/in.wav"},
          {"--overwrite", "/in.wav"}}) {
        SCOPED_TRACE(mode);
        WriteToneWav(src, 1, 8000, 800, 9000);
        const std::string log = run / "trace";
        // LeakSanitizer does not run under ptrace.
        const std::string command = "ASAN_OPTIONS=detect_leaks=0 strace -f -qq -e "
                                    "trace=fsync,fdatasync,rename,renameat,renameat2,linkat -o " +
                                    log + " " + BatchBinary() + " " + mode + " " + src;
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::vector<std::string> calls; // fsync, or the call that gave the result its name
        std::istringstream lines(ReadText(log));
        for (std::string line; std::getline(lines, line);) {
            if (line.find("fsync(") != std::string::npos ||
                line.find("fdatasync(") != std::string::npos)
                calls.push_back("sync");
            else if (line.find(".part") != std::string::npos &&
                     line.find(landed + "\"") != std::string::npos)
                calls.push_back("name");
        }
        const auto named = std::find(calls.begin(), calls.end(), "name");
        ASSERT_NE(named, calls.end()) << ReadText(log);
        EXPECT_NE(std::find(calls.begin(), named, "sync"), named) << ReadText(log);
        EXPECT_NE(std::find(named, calls.end(), "sync"), calls.end()) << ReadText(log);
    }
}

// --overwrite keeps originals (the Trash by default, a backup folder when asked) and --undo
// puts back every one whose result is unchanged, once.
TEST(CliResults, UndoPutsBackTheOriginalsOfTheLastRun) {
    ScratchDir run;
    setenv("XDG_DATA_HOME", (run / "data").c_str(), 1);
    setenv("XDG_STATE_HOME", (run / "state").c_str(), 1);
    const std::string a = run / "a.wav", b = run / "b.wav";
    WriteToneWav(a, 1, 8000, 8000, 9000);
    WriteToneWav(b, 1, 8000, 8000, 9000);
    const auto original = ReadBytes(a);
    for (const std::vector<std::string>& keep :
         {std::vector<std::string>{}, {"--backup", run / "bak"}}) {
        std::vector<std::string> args = {"-q", "--overwrite", "--adjust", "-3", a, b};
        args.insert(args.begin(), keep.begin(), keep.end());
        RunResult r = RunBatch(args);
        ASSERT_EQ(r.Status, 0) << r.Err;
        ASSERT_NE(ReadBytes(a), original);
        WriteToneWav(b, 1, 8000, int64_t(100 + keep.size()), 9000); // edited since the run

        r = RunBatch({"--undo"});
        EXPECT_EQ(r.Status, 1);
        EXPECT_EQ(r.Out, "restored: " + fs::canonical(a).string() + "\n");
        EXPECT_EQ(r.Err.substr(0, r.Err.find('\n')), "quillan-batch: " + fs::canonical(b).string() +
                                                         ": changed since the run, left alone");
        EXPECT_EQ(ReadBytes(a), original);
        r = RunBatch({"-q", "--undo"});
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(ReadBytes(a), original);
    }
    EXPECT_EQ(Listing(run / "data/Trash/files"), (std::vector<std::string>{"b.wav"}));
    EXPECT_EQ(Listing(run / ("bak" + fs::canonical(run.path()).string())),
              (std::vector<std::string>{"a.wav", "b.wav"}));
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_STATE_HOME");
}
