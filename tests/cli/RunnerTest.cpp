#include "CliTestSupport.h"
#include "cli/BatchRunner.h"
#include "cli/MediaHelper.h"
#include "cli/Reporter.h"
#include "platform/core/Process.h"
#include "services/core/ResultFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace clitest;

namespace {

// What the engine says of a finished job that kept audio.
cli::EditOutcome Finished(int64_t keptFrames = 800) {
    cli::EditOutcome out;
    out.result = 1;
    out.status = EditStatus::Done;
    out.keptFrames = keptFrames;
    return out;
}

enum class Behaviour { Copy, FailAfterPartialWrite, RunUntilCancelled };

// Stands in for the engine: writes the source's bytes to the target (a valid WAV file),
// or leaves half a file behind and fails, or runs until asked to cancel.
class FakeEditor : public cli::Editor {
  public:
    explicit FakeEditor(Behaviour b) : m_behaviour(b) {}
    cli::EditOutcome Edit(const EditJob& q, const cli::ProgressFn& progress) override {
        cli::EditOutcome out;
        auto bytes = ReadBytes(q.SourcePath);
        if (m_behaviour == Behaviour::Copy) {
            if (!q.TargetPath.empty()) WriteBytes(q.TargetPath, bytes);
            progress(0.5f);
            progress(1.0f);
            out = Finished();
            out.levels = {100, 50, 25, -1.5f, -2.5f, -3.5f};
            return out;
        }
        bytes.resize(bytes.size() / 2);
        WriteBytes(q.TargetPath, bytes);
        if (m_behaviour == Behaviour::RunUntilCancelled)
            while (!progress(0.25f)) {
            }
        return out;
    }

  private:
    Behaviour m_behaviour;
};

// Records the course of a run; optionally raises the stop flag at the first progress.
class Recorder : public cli::BatchObserver {
  public:
    explicit Recorder(std::atomic<int>* stopAtProgress = nullptr) : m_stop(stopAtProgress) {}
    void FileStarted(size_t, int64_t) override {}
    void FileProgress(size_t, float) override {
        if (m_stop) m_stop->store(2);
    }
    void FileFinished(size_t index, const cli::FileResult&) override {
        std::lock_guard lock(m_mutex);
        finished.insert(index);
    }
    std::set<size_t> finished;

  private:
    std::mutex m_mutex;
    std::atomic<int>* m_stop;
};

struct RunnerFixture : ::testing::Test {
    ScratchDir dir;
    std::atomic<int> stop{0};

    std::vector<cli::FileResult> Run(cli::Options& o, Behaviour b, Recorder* recorder = nullptr) {
        Recorder own;
        cli::BatchRunner runner(
            o, [b] { return std::make_unique<FakeEditor>(b); },
            [](const std::string&, const std::string&, const cli::EditOutcome&) {
                return std::string("refused");
            },
            stop);
        return runner.Run(recorder ? *recorder : own);
    }
    std::string MakeSource(const std::string& rel, int16_t amplitude) {
        fs::create_directories(fs::path(dir / rel).parent_path());
        WriteToneWav(dir / rel, 2, 8000, 800, amplitude);
        return dir / rel;
    }
};

TEST_F(RunnerFixture, ParallelJobsNeverShareANumberedName) {
    cli::Options o;
    o.output = cli::OutputMode::Folder;
    o.outputDir = dir / "out";
    fs::create_directory(o.outputDir);
    // Names that look free to a plain existence test but cannot be taken.
    fs::create_directory(dir / "out/take01.wav");
    fs::create_symlink(dir / "nowhere.wav", dir / "out/take02.wav");
    o.jobs = 8;
    const int count = 24;
    for (int i = 0; i < count; ++i)
        o.files.push_back(MakeSource("in" + std::to_string(i) + "/take.wav", int16_t(1000 + i)));
    auto results = Run(o, Behaviour::Copy);

    std::set<std::string> targets;
    std::set<std::vector<char>> contents;
    for (const auto& r : results) {
        ASSERT_EQ(r.result, 1) << r.error;
        targets.insert(r.target);
        contents.insert(ReadBytes(r.target));
    }
    EXPECT_EQ(targets.size(), size_t(count));
    EXPECT_EQ(contents.size(), size_t(count)); // no result overwrote another
    auto names = Listing(o.outputDir);
    ASSERT_EQ(names.size(), size_t(count + 2)); // no work files or placeholders left
    EXPECT_EQ(names.front(), "take.wav");
    EXPECT_EQ(names[3], "take03.wav");
    EXPECT_EQ(names.back(), "take25.wav");
    EXPECT_TRUE(fs::is_directory(dir / "out/take01.wav"));
    EXPECT_FALSE(fs::exists(dir / "nowhere.wav"));
}

TEST_F(RunnerFixture, BesideTheSourceUsesTheNextFreeNumber) {
    cli::Options o;
    o.files = {MakeSource("a/song.wav", 3000)};
    WriteBytes(dir / "a/song01.wav", {'x'});
    auto results = Run(o, Behaviour::Copy);
    ASSERT_EQ(results[0].result, 1);
    EXPECT_EQ(results[0].target, dir / "a/song02.wav");
    EXPECT_EQ(ReadBytes(dir / "a/song02.wav"), ReadBytes(dir / "a/song.wav"));
    EXPECT_EQ(ReadBytes(dir / "a/song01.wav"), std::vector<char>{'x'});
}

TEST_F(RunnerFixture, OverwriteReplacesTheSourceOnlyWhenTheJobSucceeded) {
    cli::Options o;
    o.output = cli::OutputMode::Overwrite;
    o.files = {MakeSource("a/song.wav", 3000)};
    const auto original = ReadBytes(o.files[0]);

    auto failed = Run(o, Behaviour::FailAfterPartialWrite);
    EXPECT_EQ(failed[0].result, 0);
    EXPECT_EQ(failed[0].error, "refused");
    EXPECT_EQ(ReadBytes(o.files[0]), original);
    EXPECT_EQ(Listing(dir / "a"), std::vector<std::string>{"song.wav"});

    // A successful job replaces the source and keeps its permission bits.
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(o.files[0], mode);
    WriteToneWav(dir / "result.wav", 2, 8000, 400, 5000);
    class Replacer : public cli::Editor {
      public:
        explicit Replacer(std::string from) : m_from(std::move(from)) {}
        cli::EditOutcome Edit(const EditJob& q, const cli::ProgressFn&) override {
            WriteBytes(q.TargetPath, ReadBytes(m_from));
            return Finished();
        }
        std::string m_from;
    };
    cli::BatchRunner runner(
        o, [&] { return std::make_unique<Replacer>(dir / "result.wav"); }, nullptr, stop);
    Recorder recorder;
    auto ok = runner.Run(recorder);
    ASSERT_EQ(ok[0].result, 1) << ok[0].error;
    EXPECT_EQ(ok[0].target, o.files[0]);
    EXPECT_EQ(ReadBytes(o.files[0]), ReadBytes(dir / "result.wav"));
    EXPECT_EQ(fs::status(o.files[0]).permissions(), mode);
    EXPECT_EQ(Listing(dir / "a"), std::vector<std::string>{"song.wav"});
}

TEST_F(RunnerFixture, AResultThatIsNotAWavFileNeverReplacesTheSource) {
    cli::Options o;
    o.output = cli::OutputMode::Overwrite;
    o.files = {MakeSource("a/song.wav", 3000)};
    const auto original = ReadBytes(o.files[0]);
    class Garbage : public cli::Editor {
        cli::EditOutcome Edit(const EditJob& q, const cli::ProgressFn&) override {
            WriteBytes(q.TargetPath, {'R', 'I', 'F', 'F'});
            return Finished();
        }
    };
    cli::BatchRunner runner(
        o, [] { return std::make_unique<Garbage>(); }, nullptr, stop);
    Recorder recorder;
    auto r = runner.Run(recorder);
    EXPECT_EQ(r[0].result, 0);
    EXPECT_NE(r[0].error.find("write failed"), std::string::npos);
    EXPECT_EQ(ReadBytes(o.files[0]), original);
    EXPECT_EQ(Listing(dir / "a"), std::vector<std::string>{"song.wav"});
}

TEST_F(RunnerFixture, OverwriteNeverEditsTheSameSourceTwiceAtOnce) {
    cli::Options o;
    o.output = cli::OutputMode::Overwrite;
    o.jobs = 4;
    const std::string a = MakeSource("d/a.wav", 1000), b = MakeSource("d/b.wav", 2000);
    o.files = {a, a, dir / "d/../d/a.wav", b, a};
    // Counts how many jobs work on a.wav at the same time, and how often it was edited.
    struct Shared {
        std::mutex mutex;
        int inFlight = 0;
        int most = 0;
        int edits = 0;
    } shared;
    class Watcher : public cli::Editor {
      public:
        explicit Watcher(Shared& s) : m_s(s) {}
        cli::EditOutcome Edit(const EditJob& q, const cli::ProgressFn&) override {
            const bool isA = fs::path(q.SourcePath).filename() == "a.wav";
            if (isA) {
                std::lock_guard lock(m_s.mutex);
                m_s.most = std::max(m_s.most, ++m_s.inFlight);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            auto bytes = ReadBytes(q.SourcePath);
            WriteBytes(q.TargetPath, bytes);
            if (isA) {
                std::lock_guard lock(m_s.mutex);
                --m_s.inFlight;
                ++m_s.edits;
            }
            return Finished();
        }

      private:
        Shared& m_s;
    };
    cli::BatchRunner runner(
        o, [&] { return std::make_unique<Watcher>(shared); }, nullptr, stop);
    Recorder recorder;
    auto results = runner.Run(recorder);
    for (const auto& r : results)
        EXPECT_EQ(r.result, 1) << r.error;
    EXPECT_EQ(shared.most, 1);
    EXPECT_EQ(shared.edits, 4);
    EXPECT_EQ(Listing(dir / "d"), (std::vector<std::string>{"a.wav", "b.wav"}));
}

TEST_F(RunnerFixture, StopCancelsTheJobsInHandAndLeavesNoPartialFiles) {
    for (auto mode : {cli::OutputMode::Overwrite, cli::OutputMode::BesideSource}) {
        stop = 0;
        cli::Options o;
        o.output = mode;
        o.jobs = 2;
        o.files.clear();
        for (int i = 0; i < 6; ++i)
            o.files.push_back(MakeSource("s/t" + std::to_string(i) + ".wav", int16_t(2000 + i)));
        std::vector<std::vector<char>> originals;
        for (auto& f : o.files)
            originals.push_back(ReadBytes(f));
        const auto before = Listing(dir / "s");

        Recorder recorder(&stop);
        auto results = Run(o, Behaviour::RunUntilCancelled, &recorder);
        size_t cancelled = 0;
        for (const auto& r : results) {
            if (r.started) {
                ++cancelled;
                EXPECT_EQ(r.error, "cancelled");
            }
            EXPECT_EQ(r.result, 0);
        }
        EXPECT_GE(cancelled, 1u);
        EXPECT_LE(cancelled, 2u); // only the jobs in hand ran
        EXPECT_EQ(Listing(dir / "s"), before);
        for (size_t i = 0; i < o.files.size(); ++i)
            EXPECT_EQ(ReadBytes(o.files[i]), originals[i]);
    }
}

// Writes the given bytes as its result and reports the kept frames; counts its calls.
class Writer : public cli::Editor {
  public:
    Writer(std::vector<char> bytes, int64_t keptFrames, std::atomic<int>& calls)
        : m_bytes(std::move(bytes)), m_kept(keptFrames), m_calls(calls) {}
    cli::EditOutcome Edit(const EditJob& q, const cli::ProgressFn&) override {
        ++m_calls;
        // The engine creates its target exclusively: the work file must be a fresh name.
        EXPECT_FALSE(fs::exists(fs::symlink_status(q.TargetPath))) << q.TargetPath;
        WriteBytes(q.TargetPath, m_bytes);
        return Finished(m_kept);
    }

  private:
    std::vector<char> m_bytes;
    int64_t m_kept;
    std::atomic<int>& m_calls;
};

struct WriterRun {
    std::vector<cli::FileResult> results;
    int calls = 0;
};

WriterRun RunWriter(const cli::Options& o, const std::vector<char>& bytes, int64_t keptFrames) {
    std::atomic<int> stop{0}, calls{0};
    cli::BatchRunner runner(
        o, [&] { return std::make_unique<Writer>(bytes, keptFrames, calls); },
        [](const std::string&, const std::string&, const cli::EditOutcome&) {
            return std::string("refused");
        },
        stop);
    Recorder recorder;
    WriterRun run;
    run.results = runner.Run(recorder);
    run.calls = calls.load();
    return run;
}

TEST_F(RunnerFixture, AResultWithNoAudioNeverReplacesASource) {
    WriteToneWav(dir / "empty.wav", 2, 8000, 0, 0); // a header and no frames
    const auto empty = ReadBytes(dir / "empty.wav");
    const std::string source = MakeSource("q/quiet.wav", 20);
    const auto original = ReadBytes(source);

    cli::Options o;
    o.output = cli::OutputMode::Overwrite;
    o.files = {source};
    auto over = RunWriter(o, empty, 0);
    EXPECT_EQ(over.results[0].result, 0);
    EXPECT_EQ(over.results[0].error, "no sound above the start threshold: source kept");
    EXPECT_TRUE(over.results[0].target.empty());
    EXPECT_EQ(ReadBytes(source), original);
    EXPECT_EQ(Listing(dir / "q"), std::vector<std::string>{"quiet.wav"});

    // Written elsewhere, the empty result is kept, with a warning.
    o.output = cli::OutputMode::BesideSource;
    auto beside = RunWriter(o, empty, 0);
    ASSERT_EQ(beside.results[0].result, 1) << beside.results[0].error;
    EXPECT_EQ(beside.results[0].warning,
              "no sound above the start threshold: the result holds no audio");
    EXPECT_EQ(ReadBytes(dir / "q/quiet01.wav"), empty);
    EXPECT_EQ(ReadBytes(source), original);
    auto kept = RunWriter(o, empty, 5);
    EXPECT_EQ(kept.results[0].result, 1);
    EXPECT_TRUE(kept.results[0].warning.empty());
}

TEST_F(RunnerFixture, OverwriteReplacesTheLinkedFileAndKeepsItsOwnerAndMode) {
    const std::string real = MakeSource("real/take.wav", 3000);
    fs::create_directory(dir / "links");
    fs::create_symlink("../real/take.wav", dir / "links/take.wav");
    fs::create_hard_link(real, dir / "real/other.wav");
    const auto original = ReadBytes(real);
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(real.c_str(), 4321, 4322), 0);
    }
    WriteToneWav(dir / "result.wav", 2, 8000, 400, 5000);
    const auto result = ReadBytes(dir / "result.wav");

    cli::Options o;
    o.output = cli::OutputMode::Overwrite;
    o.files = {dir / "links/take.wav"};
    auto run = RunWriter(o, result, 400);
    ASSERT_EQ(run.results[0].result, 1) << run.results[0].error;
    EXPECT_EQ(run.results[0].target, o.files[0]);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "links/take.wav")));
    EXPECT_EQ(ReadBytes(real), result);
    EXPECT_EQ(ReadBytes(dir / "real/other.wav"), original); // another hard link keeps the old
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
    EXPECT_EQ(Listing(dir / "real"), (std::vector<std::string>{"other.wav", "take.wav"}));
    EXPECT_EQ(Listing(dir / "links"), std::vector<std::string>{"take.wav"});
}

TEST_F(RunnerFixture, ASourceThatCannotBeReplacedFailsBeforeTheEdit) {
    const std::string source = MakeSource("ro/take.wav", 3000);
    const auto original = ReadBytes(source);
    fs::permissions(source, fs::perms::owner_read | fs::perms::group_read);
    cli::Options o;
    o.output = cli::OutputMode::Overwrite;
    o.files = {source};
    auto run = RunWriter(o, original, 400);
    EXPECT_EQ(run.results[0].result, 0);
    EXPECT_EQ(run.results[0].error, "the source is read-only: not replaced");
    EXPECT_EQ(run.calls, 0); // refused before any work
    EXPECT_EQ(ReadBytes(source), original);
    EXPECT_EQ(Listing(dir / "ro"), std::vector<std::string>{"take.wav"});
    fs::permissions(source, fs::perms::owner_all);

    if (::geteuid() != 0) {
        // Writable, but in a folder where the work file cannot be made.
        fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        auto locked = RunWriter(o, original, 400);
        fs::permissions(dir / "ro", fs::perms::owner_all);
        EXPECT_EQ(locked.calls, 0);
        EXPECT_NE(locked.results[0].error.find("cannot create files in"), std::string::npos)
            << locked.results[0].error;
        EXPECT_EQ(ReadBytes(source), original);
    }
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
    o.output = cli::OutputMode::Folder;
    o.outputDir = dir / "out";
    fs::create_directory(o.outputDir);
    WriteBytes(dir / ("out/.quillan-" + d + "-3" + h + ".part"), {'x'});
    WriteBytes(dir / ("out/.quillan-" + d + "-12" + h + ".part"), {});
    fs::create_directory(dir / ("out/.quillan-" + d + "-4" + h + ".part")); // not a file: kept
    WriteBytes(dir / ("out/.quillan-1-1" + h + ".part"), {'l'});            // a live process: kept
    WriteBytes(dir / ("out/.quillan-" + d + "-5@elsewhere.part"), {'e'});   // another host: kept
    WriteBytes(dir / ("out/.take.wav." + d + "-1.part"), {'o'});            // not our pattern: kept
    WriteBytes(dir / ("out/.quillan-" + d + "-x" + h + ".part"), {'o'});
    o.files = {MakeSource("in/take.wav", 3000)};
    auto results = Run(o, Behaviour::Copy);
    ASSERT_EQ(results[0].result, 1) << results[0].error;
    EXPECT_EQ(results[0].target, dir / "out/take.wav");
    std::vector<std::string> kept{
        ".quillan-" + d + "-4" + h + ".part", ".quillan-" + d + "-5@elsewhere.part",
        ".quillan-" + d + "-x" + h + ".part", ".quillan-1-1" + h + ".part",
        ".take.wav." + d + "-1.part",         "take.wav"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(Listing(o.outputDir), kept);
}

TEST_F(RunnerFixture, NamesOfUpTo255BytesGetTheirResult) {
    const std::string name255 = std::string(251, 'n') + ".wav";
    const std::string name253 = std::string(249, 'm') + ".wav";
    const std::string name254 = std::string(250, 'k') + ".wav";
    cli::Options o;
    o.output = cli::OutputMode::Folder;
    o.outputDir = dir / "out";
    fs::create_directory(o.outputDir);
    o.files = {MakeSource("in/" + name255, 1000)};
    auto toFolder = Run(o, Behaviour::Copy);
    ASSERT_EQ(toFolder[0].result, 1) << toFolder[0].error;
    EXPECT_EQ(Listing(o.outputDir), std::vector<std::string>{name255});

    // Beside the source the number adds two bytes: 255 still fits, 256 is refused cleanly.
    o.output = cli::OutputMode::BesideSource;
    o.files = {MakeSource("b/" + name253, 1000), MakeSource("b/" + name254, 1000)};
    auto beside = Run(o, Behaviour::Copy);
    ASSERT_EQ(beside[0].result, 1) << beside[0].error;
    EXPECT_EQ(fs::path(beside[0].target).filename().string().size(), 255u);
    EXPECT_EQ(beside[1].result, 0);
    EXPECT_NE(beside[1].error.find("File name too long"), std::string::npos) << beside[1].error;
    EXPECT_EQ(Listing(dir / "b"),
              (std::vector<std::string>{name254, name253, std::string(249, 'm') + "01.wav"}));
}

TEST_F(RunnerFixture, CheckWritesNothingAndMissingSourcesFailAlone) {
    cli::Options o;
    o.check = true;
    o.json = true;
    o.files = {dir / "absent.wav", MakeSource("c/ok.wav", 1000), dir / "c"};
    auto results = Run(o, Behaviour::Copy);
    EXPECT_EQ(results[0].error, "missing");
    EXPECT_EQ(results[1].result, 1);
    EXPECT_TRUE(results[1].target.empty());
    EXPECT_TRUE(results[1].hasLevels);
    EXPECT_EQ(results[1].levels.maxPeak, 100);
    EXPECT_EQ(results[2].error, "not a regular file");
    EXPECT_EQ(Listing(dir / "c"), std::vector<std::string>{"ok.wav"});
}

TEST(CliReport, JsonLineShapeAndEscaping) {
    cli::FileResult ok;
    ok.source = "in/a \"b\"\\c.wav";
    ok.target = "out/a.wav";
    ok.result = 1;
    ok.hasLevels = true;
    ok.levels = {16384, 1200, 1100, -6.02060032f, -28.7f, -29.5f};
    EXPECT_EQ(cli::JsonLine(ok),
              "{\"source\": \"in/a \\\"b\\\"\\\\c.wav\", \"target\": \"out/a.wav\", \"result\": 1, "
              "\"error\": null, \"warning\": null, \"max_peak\": 16384, \"max_rms\": 1200, "
              "\"norm_rms\": 1100, "
              "\"max_peak_db\": -6.02060032, \"max_rms_db\": -28.7000008, \"norm_rms_db\": -29.5}");
    cli::FileResult bad;
    bad.source = "x\n.wav";
    bad.error = "missing";
    bad.hasLevels = true; // levels of a failed job are not shown
    EXPECT_EQ(cli::JsonLine(bad),
              "{\"source\": \"x\\n.wav\", \"target\": null, \"result\": 0, \"error\": \"missing\", "
              "\"warning\": null, \"max_peak\": null, \"max_rms\": null, \"norm_rms\": null, "
              "\"max_peak_db\": null, "
              "\"max_rms_db\": null, \"norm_rms_db\": null}");
}

TEST(CliReport, SummarySaysWhatHappenedAndWhere) {
    cli::Options o;
    std::vector<cli::FileResult> rs(3);
    rs[0].started = rs[1].started = true;
    rs[0].result = 1;
    rs[1].error = "missing";
    EXPECT_EQ(cli::SummaryText(o, rs, false),
              "1 done, 1 failed, 1 not started; written beside the sources");
    o.output = cli::OutputMode::Folder;
    o.outputDir = "out";
    EXPECT_EQ(cli::SummaryText(o, rs, true),
              "cancelled; 1 done, 1 failed, 1 not started; written to out");
    o.check = true;
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
