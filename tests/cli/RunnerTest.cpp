#include "CliTestSupport.h"
#include "cli/BatchRunner.h"
#include "cli/MediaHelper.h"
#include "cli/Reporter.h"
#include "cli/RunReport.h"
#include "platform/core/Process.h"
#include "services/core/ResultFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace clitest;

namespace {

// What the engine says of a finished job that kept audio.
EditResult Finished(int64_t pKeptFrames = 800) {
    EditResult out;
    out.Status = EditStatus::Done;
    out.KeptFrames = pKeptFrames;
    return out;
}

enum class Behaviour { Copy, FailAfterPartialWrite, RunUntilCancelled };

// Stands in for the engine.
class FakeEngine {
  public:
    virtual ~FakeEngine() = default;
    virtual EditResult Edit(const EditJob& pQ, const C_EditWave::Progress& pProgress) = 0;
};

job::EditFn Using(std::shared_ptr<FakeEngine> pEngine) {
    return [pEngine](const EditJob& pQ, const C_EditWave::Progress& pProgress) {
        return pEngine->Edit(pQ, pProgress);
    };
}

// Stands in for the engine: writes the source's bytes to the target (a valid WAV file),
// or leaves half a file behind and fails, or runs until asked to cancel.
class FakeEditor : public FakeEngine {
  public:
    explicit FakeEditor(Behaviour pB) : m_Behaviour(pB) {}
    EditResult Edit(const EditJob& pQ, const C_EditWave::Progress& pProgress) override {
        EditResult out;
        auto bytes = ReadBytes(pQ.SourcePath);
        if (m_Behaviour == Behaviour::Copy) {
            if (!pQ.TargetPath.empty()) WriteBytes(pQ.TargetPath, bytes);
            pProgress(0.5f);
            pProgress(1.0f);
            out = Finished();
            out.Levels = EditLevels{100, 50, 25, -1.5f, -2.5f, -3.5f};
            return out;
        }
        bytes.resize(bytes.size() / 2);
        WriteBytes(pQ.TargetPath, bytes);
        if (m_Behaviour == Behaviour::RunUntilCancelled)
            while (!pProgress(0.25f)) {
            }
        out.Status = EditStatus::WriteFailed;
        out.Detail = "refused";
        return out;
    }

  private:
    Behaviour m_Behaviour;
};

// Records the course of a run; optionally raises the stop flag at the first progress.
class Recorder : public cli::BatchObserver {
  public:
    explicit Recorder(std::atomic<int>* pStopAtProgress = nullptr) : m_Stop(pStopAtProgress) {}
    void FileStarted(size_t, int64_t) override {}
    void FileProgress(size_t, float) override {
        if (m_Stop) m_Stop->store(2);
    }
    void FileFinished(size_t pIndex, const cli::FileResult&) override {
        std::lock_guard lock(m_Mutex);
        Finished.insert(pIndex);
    }
    std::set<size_t> Finished;

  private:
    std::mutex m_Mutex;
    std::atomic<int>* m_Stop;
};

struct RunnerFixture : ::testing::Test {
    ScratchDir Dir;
    std::atomic<int> Stop{0};

    std::vector<cli::FileResult> Run(cli::Options& pO, Behaviour pB,
                                     Recorder* pRecorder = nullptr) {
        Recorder own;
        cli::BatchRunner runner(pO, Stop, Using(std::make_shared<FakeEditor>(pB)));
        return runner.Run(pRecorder ? *pRecorder : own);
    }
    std::string MakeSource(const std::string& pRel, int16_t pAmplitude) {
        fs::create_directories(fs::path(Dir / pRel).parent_path());
        WriteToneWav(Dir / pRel, 2, 8000, 800, pAmplitude);
        return Dir / pRel;
    }
};

TEST_F(RunnerFixture, ParallelJobsNeverShareANumberedName) {
    cli::Options o;
    o.Output = cli::OutputMode::Folder;
    o.OutputDir = Dir / "out";
    fs::create_directory(o.OutputDir);
    // Names that look free to a plain existence test but cannot be taken.
    fs::create_directory(Dir / "out/take01.wav");
    fs::create_symlink(Dir / "nowhere.wav", Dir / "out/take02.wav");
    o.Jobs = 8;
    const int count = 24;
    for (int i = 0; i < count; ++i)
        o.Files.push_back(MakeSource("in" + std::to_string(i) + "/take.wav", int16_t(1000 + i)));
    auto results = Run(o, Behaviour::Copy);

    std::set<std::string> targets;
    std::set<std::vector<char>> contents;
    for (const auto& r : results) {
        ASSERT_EQ(r.Result, 1) << r.Error;
        targets.insert(r.Target);
        contents.insert(ReadBytes(r.Target));
    }
    EXPECT_EQ(targets.size(), size_t(count));
    EXPECT_EQ(contents.size(), size_t(count)); // no result overwrote another
    auto names = Listing(o.OutputDir);
    ASSERT_EQ(names.size(), size_t(count + 2)); // no work files or placeholders left
    EXPECT_EQ(names.front(), "take.wav");
    EXPECT_EQ(names[3], "take03.wav");
    EXPECT_EQ(names.back(), "take25.wav");
    EXPECT_TRUE(fs::is_directory(Dir / "out/take01.wav"));
    EXPECT_FALSE(fs::exists(Dir / "nowhere.wav"));
}

TEST_F(RunnerFixture, BesideTheSourceUsesTheNextFreeNumber) {
    cli::Options o;
    o.Files = {MakeSource("a/song.wav", 3000)};
    WriteBytes(Dir / "a/song01.wav", {'x'});
    auto results = Run(o, Behaviour::Copy);
    ASSERT_EQ(results[0].Result, 1);
    EXPECT_EQ(results[0].Target, Dir / "a/song02.wav");
    EXPECT_EQ(ReadBytes(Dir / "a/song02.wav"), ReadBytes(Dir / "a/song.wav"));
    EXPECT_EQ(ReadBytes(Dir / "a/song01.wav"), std::vector<char>{'x'});
}

TEST_F(RunnerFixture, OverwriteReplacesTheSourceOnlyWhenTheJobSucceeded) {
    cli::Options o;
    o.Output = cli::OutputMode::Overwrite;
    o.Files = {MakeSource("a/song.wav", 3000)};
    const auto original = ReadBytes(o.Files[0]);

    auto failed = Run(o, Behaviour::FailAfterPartialWrite);
    EXPECT_EQ(failed[0].Result, 0);
    EXPECT_EQ(failed[0].Error, "write failed: refused");
    EXPECT_EQ(ReadBytes(o.Files[0]), original);
    EXPECT_EQ(Listing(Dir / "a"), std::vector<std::string>{"song.wav"});

    // A successful job replaces the source and keeps its permission bits.
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(o.Files[0], mode);
    WriteToneWav(Dir / "result.wav", 2, 8000, 400, 5000);
    class Replacer : public FakeEngine {
      public:
        explicit Replacer(std::string pFrom) : MFrom(std::move(pFrom)) {}
        EditResult Edit(const EditJob& pQ, const C_EditWave::Progress&) override {
            WriteBytes(pQ.TargetPath, ReadBytes(MFrom));
            return Finished();
        }
        std::string MFrom;
    };
    cli::BatchRunner runner(o, Stop, Using(std::make_shared<Replacer>(Dir / "result.wav")));
    Recorder recorder;
    auto ok = runner.Run(recorder);
    ASSERT_EQ(ok[0].Result, 1) << ok[0].Error;
    EXPECT_EQ(ok[0].Target, o.Files[0]);
    EXPECT_EQ(ReadBytes(o.Files[0]), ReadBytes(Dir / "result.wav"));
    EXPECT_EQ(fs::status(o.Files[0]).permissions(), mode);
    EXPECT_EQ(Listing(Dir / "a"), std::vector<std::string>{"song.wav"});
}

TEST_F(RunnerFixture, AResultThatIsNotAWavFileNeverReplacesTheSource) {
    cli::Options o;
    o.Output = cli::OutputMode::Overwrite;
    o.Files = {MakeSource("a/song.wav", 3000)};
    const auto original = ReadBytes(o.Files[0]);
    class Garbage : public FakeEngine {
        EditResult Edit(const EditJob& pQ, const C_EditWave::Progress&) override {
            WriteBytes(pQ.TargetPath, {'R', 'I', 'F', 'F'});
            return Finished();
        }
    };
    cli::BatchRunner runner(o, Stop, Using(std::make_shared<Garbage>()));
    Recorder recorder;
    auto r = runner.Run(recorder);
    EXPECT_EQ(r[0].Result, 0);
    EXPECT_NE(r[0].Error.find("write failed"), std::string::npos);
    EXPECT_EQ(ReadBytes(o.Files[0]), original);
    EXPECT_EQ(Listing(Dir / "a"), std::vector<std::string>{"song.wav"});
}

TEST_F(RunnerFixture, OverwriteNeverEditsTheSameSourceTwiceAtOnce) {
    cli::Options o;
    o.Output = cli::OutputMode::Overwrite;
    o.Jobs = 4;
    const std::string a = MakeSource("d/a.wav", 1000), b = MakeSource("d/b.wav", 2000);
    o.Files = {a, a, Dir / "d/../d/a.wav", b, a};
    // Counts how many jobs work on a.wav at the same time, and how often it was edited.
    struct Shared {
        std::mutex Mutex;
        int InFlight = 0;
        int Most = 0;
        int Edits = 0;
    } shared;
    class Watcher : public FakeEngine {
      public:
        explicit Watcher(Shared& pS) : m_S(pS) {}
        EditResult Edit(const EditJob& pQ, const C_EditWave::Progress&) override {
            const bool isA = fs::path(pQ.SourcePath).filename() == "a.wav";
            if (isA) {
                std::lock_guard lock(m_S.Mutex);
                m_S.Most = std::max(m_S.Most, ++m_S.InFlight);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            auto bytes = ReadBytes(pQ.SourcePath);
            WriteBytes(pQ.TargetPath, bytes);
            if (isA) {
                std::lock_guard lock(m_S.Mutex);
                --m_S.InFlight;
                ++m_S.Edits;
            }
            return Finished();
        }

      private:
        Shared& m_S;
    };
    cli::BatchRunner runner(o, Stop, Using(std::make_shared<Watcher>(shared)));
    Recorder recorder;
    auto results = runner.Run(recorder);
    for (const auto& r : results)
        EXPECT_EQ(r.Result, 1) << r.Error;
    EXPECT_EQ(shared.Most, 1);
    EXPECT_EQ(shared.Edits, 4);
    EXPECT_EQ(Listing(Dir / "d"), (std::vector<std::string>{"a.wav", "b.wav"}));
}

TEST_F(RunnerFixture, StopCancelsTheJobsInHandAndLeavesNoPartialFiles) {
    for (auto mode : {cli::OutputMode::Overwrite, cli::OutputMode::BesideSource}) {
        Stop = 0;
        cli::Options o;
        o.Output = mode;
        o.Jobs = 2;
        o.Files.clear();
        for (int i = 0; i < 6; ++i)
            o.Files.push_back(MakeSource("s/t" + std::to_string(i) + ".wav", int16_t(2000 + i)));
        std::vector<std::vector<char>> originals;
        for (auto& f : o.Files)
            originals.push_back(ReadBytes(f));
        const auto before = Listing(Dir / "s");

        Recorder recorder(&Stop);
        auto results = Run(o, Behaviour::RunUntilCancelled, &recorder);
        size_t cancelled = 0;
        for (const auto& r : results) {
            if (r.Started) {
                ++cancelled;
                EXPECT_EQ(r.Error, "cancelled");
                EXPECT_TRUE(r.Cancelled);
            }
            EXPECT_EQ(r.Result, 0);
        }
        EXPECT_GE(cancelled, 1u);
        EXPECT_LE(cancelled, 2u); // only the jobs in hand ran
        EXPECT_EQ(Listing(Dir / "s"), before);
        for (size_t i = 0; i < o.Files.size(); ++i)
            EXPECT_EQ(ReadBytes(o.Files[i]), originals[i]);
    }
}

// Writes the given bytes as its result and reports the kept frames; counts its calls.
class Writer : public FakeEngine {
  public:
    Writer(std::vector<char> pBytes, int64_t pKeptFrames, std::atomic<int>& pCalls)
        : m_Bytes(std::move(pBytes)), m_Kept(pKeptFrames), m_Calls(pCalls) {}
    EditResult Edit(const EditJob& pQ, const C_EditWave::Progress&) override {
        ++m_Calls;
        // The engine creates its target exclusively: the work file must be a fresh name.
        EXPECT_FALSE(fs::exists(fs::symlink_status(pQ.TargetPath))) << pQ.TargetPath;
        WriteBytes(pQ.TargetPath, m_Bytes);
        return Finished(m_Kept);
    }

  private:
    std::vector<char> m_Bytes;
    int64_t m_Kept;
    std::atomic<int>& m_Calls;
};

struct WriterRun {
    std::vector<cli::FileResult> Results;
    int Calls = 0;
};

WriterRun RunWriter(const cli::Options& pO, const std::vector<char>& bytes, int64_t pKeptFrames) {
    std::atomic<int> stop{0}, calls{0};
    cli::BatchRunner runner(pO, stop, Using(std::make_shared<Writer>(bytes, pKeptFrames, calls)));
    Recorder recorder;
    WriterRun run;
    run.Results = runner.Run(recorder);
    run.Calls = calls.load();
    return run;
}

TEST_F(RunnerFixture, AResultWithNoAudioNeverReplacesASource) {
    WriteToneWav(Dir / "empty.wav", 2, 8000, 0, 0); // a header and no frames
    const auto empty = ReadBytes(Dir / "empty.wav");
    const std::string source = MakeSource("q/quiet.wav", 20);
    const auto original = ReadBytes(source);

    cli::Options o;
    o.Output = cli::OutputMode::Overwrite;
    o.Files = {source};
    auto over = RunWriter(o, empty, 0);
    EXPECT_EQ(over.Results[0].Result, 0);
    EXPECT_EQ(over.Results[0].Error, "no sound above the start threshold: source kept");
    EXPECT_TRUE(over.Results[0].Target.empty());
    EXPECT_EQ(ReadBytes(source), original);
    EXPECT_EQ(Listing(Dir / "q"), std::vector<std::string>{"quiet.wav"});

    // Written elsewhere, the empty result is kept, with a warning.
    o.Output = cli::OutputMode::BesideSource;
    auto beside = RunWriter(o, empty, 0);
    ASSERT_EQ(beside.Results[0].Result, 1) << beside.Results[0].Error;
    EXPECT_EQ(beside.Results[0].Warning,
              "no sound above the start threshold: the result holds no audio");
    EXPECT_EQ(ReadBytes(Dir / "q/quiet01.wav"), empty);
    EXPECT_EQ(ReadBytes(source), original);
    auto kept = RunWriter(o, empty, 5);
    EXPECT_EQ(kept.Results[0].Result, 1);
    EXPECT_TRUE(kept.Results[0].Warning.empty());
}

TEST_F(RunnerFixture, OverwriteReplacesTheLinkedFileAndKeepsItsOwnerAndMode) {
    const std::string real = MakeSource("real/take.wav", 3000);
    fs::create_directory(Dir / "links");
    fs::create_symlink("../real/take.wav", Dir / "links/take.wav");
    fs::create_hard_link(real, Dir / "real/other.wav");
    const auto original = ReadBytes(real);
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(real.c_str(), 4321, 4322), 0);
    }
    WriteToneWav(Dir / "result.wav", 2, 8000, 400, 5000);
    const auto result = ReadBytes(Dir / "result.wav");

    cli::Options o;
    o.Output = cli::OutputMode::Overwrite;
    o.Files = {Dir / "links/take.wav"};
    auto run = RunWriter(o, result, 400);
    ASSERT_EQ(run.Results[0].Result, 1) << run.Results[0].Error;
    EXPECT_EQ(run.Results[0].Target, o.Files[0]);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(Dir / "links/take.wav")));
    EXPECT_EQ(ReadBytes(real), result);
    EXPECT_EQ(ReadBytes(Dir / "real/other.wav"), original); // another hard link keeps the old
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
    EXPECT_EQ(Listing(Dir / "real"), (std::vector<std::string>{"other.wav", "take.wav"}));
    EXPECT_EQ(Listing(Dir / "links"), std::vector<std::string>{"take.wav"});
}

TEST_F(RunnerFixture, ASourceThatCannotBeReplacedFailsBeforeTheEdit) {
    const std::string source = MakeSource("ro/take.wav", 3000);
    const auto original = ReadBytes(source);
    fs::permissions(source, fs::perms::owner_read | fs::perms::group_read);
    cli::Options o;
    o.Output = cli::OutputMode::Overwrite;
    o.Files = {source};
    auto run = RunWriter(o, original, 400);
    EXPECT_EQ(run.Results[0].Result, 0);
    EXPECT_EQ(run.Results[0].Error, "the source is read-only: not replaced");
    EXPECT_EQ(run.Calls, 0); // refused before any work
    EXPECT_EQ(ReadBytes(source), original);
    EXPECT_EQ(Listing(Dir / "ro"), std::vector<std::string>{"take.wav"});
    fs::permissions(source, fs::perms::owner_all);

    if (::geteuid() != 0) {
        // Writable, but in a folder where the work file cannot be made.
        fs::permissions(Dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        auto locked = RunWriter(o, original, 400);
        fs::permissions(Dir / "ro", fs::perms::owner_all);
        EXPECT_EQ(locked.Calls, 0);
        EXPECT_NE(locked.Results[0].Error.find("cannot create files in"), std::string::npos)
            << locked.Results[0].Error;
        EXPECT_EQ(ReadBytes(source), original);
    }
}

TEST_F(RunnerFixture, ARetriedRunLeavesAFileInHandToTheRunWritingIt) {
    // The first run's job waits at a gate until the second run has finished.
    struct Gate {
        std::promise<void> Entered, Release;
    } gate;
    class Held : public FakeEngine {
      public:
        explicit Held(Gate& pGate) : m_Gate(pGate) {}
        EditResult Edit(const EditJob& pQ, const C_EditWave::Progress&) override {
            m_Gate.Entered.set_value();
            m_Gate.Release.get_future().wait();
            WriteBytes(pQ.TargetPath, ReadBytes(pQ.SourcePath));
            return Finished();
        }

      private:
        Gate& m_Gate;
    };
    cli::Options o;
    o.Output = cli::OutputMode::Folder;
    o.OutputDir = Dir / "out";
    o.SkipExisting = true;
    fs::create_directory(o.OutputDir);
    o.Files = {MakeSource("in/take.wav", 3000)};
    std::vector<cli::FileResult> first;
    std::thread firstRun([&] {
        cli::BatchRunner runner(o, Stop, Using(std::make_shared<Held>(gate)));
        Recorder recorder;
        first = runner.Run(recorder);
    });
    gate.Entered.get_future().wait();
    const auto second = Run(o, Behaviour::Copy);
    gate.Release.set_value();
    firstRun.join();
    EXPECT_TRUE(second[0].Skipped);
    EXPECT_EQ(second[0].Result, 1);
    ASSERT_EQ(first[0].Result, 1) << first[0].Error;
    EXPECT_EQ(Listing(o.OutputDir), std::vector<std::string>{"take.wav"});
}

TEST_F(RunnerFixture, WorkFilesOfDeadRunsAreSweptAndNoNameIsHeldByThem) {
    // A process that has ended: its id is free.
    std::string error;
    const int dead = platform::StartProcess({"/bin/true"}, {}, error);
    ASSERT_GT(dead, 0) << error;
    platform::WaitProcess(dead);
    const std::string d = std::to_string(dead);
    const std::string h = results::WorkFileHostPart();
    cli::Options o;
    o.Output = cli::OutputMode::Folder;
    o.OutputDir = Dir / "out";
    fs::create_directory(o.OutputDir);
    WriteBytes(Dir / ("out/.quillan-" + d + "-3" + h + ".part"), {'x'});
    WriteBytes(Dir / ("out/.quillan-" + d + "-12" + h + ".part"), {});
    fs::create_directory(Dir / ("out/.quillan-" + d + "-4" + h + ".part")); // not a file: kept
    WriteBytes(Dir / ("out/.quillan-1-1" + h + ".part"), {'l'});            // a live process: kept
    WriteBytes(Dir / ("out/.quillan-" + d + "-5@elsewhere.part"), {'e'});   // another host: kept
    WriteBytes(Dir / ("out/.take.wav." + d + "-1.part"), {'o'});            // not our pattern: kept
    WriteBytes(Dir / ("out/.quillan-" + d + "-x" + h + ".part"), {'o'});
    o.Files = {MakeSource("in/take.wav", 3000)};
    auto results = Run(o, Behaviour::Copy);
    ASSERT_EQ(results[0].Result, 1) << results[0].Error;
    EXPECT_EQ(results[0].Target, Dir / "out/take.wav");
    std::vector<std::string> kept{
        ".quillan-" + d + "-4" + h + ".part", ".quillan-" + d + "-5@elsewhere.part",
        ".quillan-" + d + "-x" + h + ".part", ".quillan-1-1" + h + ".part",
        ".take.wav." + d + "-1.part",         "take.wav"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(Listing(o.OutputDir), kept);
}

TEST_F(RunnerFixture, NamesOfUpTo255BytesGetTheirResult) {
    const std::string name255 = std::string(251, 'n') + ".wav";
    const std::string name253 = std::string(249, 'm') + ".wav";
    const std::string name254 = std::string(250, 'k') + ".wav";
    cli::Options o;
    o.Output = cli::OutputMode::Folder;
    o.OutputDir = Dir / "out";
    fs::create_directory(o.OutputDir);
    o.Files = {MakeSource("in/" + name255, 1000)};
    auto toFolder = Run(o, Behaviour::Copy);
    ASSERT_EQ(toFolder[0].Result, 1) << toFolder[0].Error;
    EXPECT_EQ(Listing(o.OutputDir), std::vector<std::string>{name255});

    // Beside the source the number adds two bytes: 255 still fits, 256 is refused cleanly.
    o.Output = cli::OutputMode::BesideSource;
    o.Files = {MakeSource("b/" + name253, 1000), MakeSource("b/" + name254, 1000)};
    auto beside = Run(o, Behaviour::Copy);
    ASSERT_EQ(beside[0].Result, 1) << beside[0].Error;
    EXPECT_EQ(fs::path(beside[0].Target).filename().string().size(), 255u);
    EXPECT_EQ(beside[1].Result, 0);
    EXPECT_NE(beside[1].Error.find("File name too long"), std::string::npos) << beside[1].Error;
    EXPECT_EQ(Listing(Dir / "b"),
              (std::vector<std::string>{name254, name253, std::string(249, 'm') + "01.wav"}));
}

TEST_F(RunnerFixture, CheckWritesNothingAndMissingSourcesFailAlone) {
    cli::Options o;
    o.Check = true;
    o.Json = true;
    o.Files = {Dir / "absent.wav", MakeSource("c/ok.wav", 1000), Dir / "c"};
    auto results = Run(o, Behaviour::Copy);
    EXPECT_EQ(results[0].Error, "missing");
    EXPECT_EQ(results[1].Result, 1);
    EXPECT_TRUE(results[1].Target.empty());
    EXPECT_TRUE(results[1].HasLevels);
    EXPECT_EQ(results[1].Levels.MaxPeak, 100);
    EXPECT_EQ(results[2].Error, "not a regular file");
    EXPECT_EQ(Listing(Dir / "c"), std::vector<std::string>{"ok.wav"});
}

TEST(CliReport, JsonLineShapeAndEscaping) {
    cli::FileResult ok;
    ok.Source = "in/a \"b\"\\c.wav";
    ok.Target = "out/a.wav";
    ok.Result = 1;
    ok.HasLevels = true;
    ok.Levels = {16384, 1200, 1100, -6.02060032f, -28.7f, -29.5f};
    EXPECT_EQ(cli::JsonLine(ok),
              "{\"source\": \"in/a \\\"b\\\"\\\\c.wav\", \"target\": \"out/a.wav\", \"result\": 1, "
              "\"error\": null, \"warning\": null, \"max_peak\": 16384, \"max_rms\": 1200, "
              "\"norm_rms\": 1100, "
              "\"max_peak_db\": -6.02060032, \"max_rms_db\": -28.7000008, \"norm_rms_db\": -29.5}");
    cli::FileResult bad;
    bad.Source = "x\n.wav";
    bad.Error = "missing";
    bad.HasLevels = true; // levels of a failed job are not shown
    EXPECT_EQ(cli::JsonLine(bad),
              "{\"source\": \"x\\n.wav\", \"target\": null, \"result\": 0, \"error\": \"missing\", "
              "\"warning\": null, \"max_peak\": null, \"max_rms\": null, \"norm_rms\": null, "
              "\"max_peak_db\": null, "
              "\"max_rms_db\": null, \"norm_rms_db\": null}");
}

TEST(CliReport, SummarySaysWhatHappenedAndWhere) {
    cli::Options o;
    std::vector<cli::FileResult> rs(4);
    rs[0].Started = rs[1].Started = rs[3].Started = true;
    rs[0].Result = 1;
    rs[1].Error = "missing";
    rs[3].Error = "cancelled";
    rs[3].Cancelled = true; // the file in hand at SIGTERM failed nothing
    EXPECT_EQ(cli::SummaryText(o, rs, false),
              "1 done, 1 failed, 1 cancelled, 1 not started; written beside the sources");
    const std::string totals = cli::SummaryJson(rs, {}, 1.0, true);
    EXPECT_NE(totals.find(R"("done": 1, "skipped": 0, "failed": 1, "not_started": 1, )"
                          R"("cancelled": 1, "stopped": true, )"),
              std::string::npos)
        << totals;
    rs.pop_back();
    o.Output = cli::OutputMode::Folder;
    o.OutputDir = "out";
    EXPECT_EQ(cli::SummaryText(o, rs, true),
              "cancelled; 1 done, 1 failed, 1 not started; written to out");
    o.Check = true;
    EXPECT_EQ(cli::SummaryText(o, rs, false),
              "1 done, 1 failed, 1 not started; level check only, nothing written");
}

} // namespace

namespace {

TEST(CliHelperProtocol, FieldsSurviveTabsNewlinesAndBackslashes) {
    for (const std::string text : {"", "plain", "a\tb", "line\nbreak", "back\\slash\\",
                                   "\\t literally", "wav(44100Hz/16bit/Stereo)"}) {
        const std::string escaped = cli::EscapeField(text);
        EXPECT_EQ(escaped.find_first_of("\t\n"), std::string::npos);
        EXPECT_EQ(cli::UnescapeField(escaped), text);
    }
}

} // namespace
