// Runs the real quillan-batch: exit codes, JSON, error lines, --info rows, numbered names
// under parallel jobs, --overwrite and Ctrl-C.

#include "CliTestSupport.h"
#include "platform/core/Process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace clitest;

namespace {

struct BinaryFixture : ::testing::Test {
    ScratchDir dir;
    std::string Source(const char* name) {
        return (fs::path(VectorsDir()) / "sources" / name).string();
    }
    std::string CopyIn(const char* name, const std::string& to) {
        fs::create_directories(fs::path(to).parent_path());
        fs::copy_file(Source(name), to);
        fs::permissions(to, fs::perms::owner_write, fs::perm_options::add);
        return to;
    }
    void SetUp() override {
        if (VectorsDir().empty() || !fs::exists(VectorsDir())) GTEST_SKIP() << "no sources";
    }
};

TEST_F(BinaryFixture, ExitStatusAndUsageMessages) {
    const std::string good = CopyIn("main_8b_1ch_22050.wav", dir / "a/good.wav");
    RunResult r = RunBatch({"--level", "-1", good});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("1 done, 0 failed; written beside the sources"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "a/good01.wav"));

    r = RunBatch({"-q", good, dir / "a/absent.wav"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quillan-batch: " + dir / "a/absent.wav" + ": missing\n");

    r = RunBatch({"--start-margin", "1.5", good});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("'--start-margin'"), std::string::npos);
    r = RunBatch({"--frobnicate", good});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown option '--frobnicate'"), std::string::npos);
    r = RunBatch({"-o", dir / "nowhere", good});
    EXPECT_EQ(r.status, 2);
    r = RunBatch({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Usage: quillan-batch", 0), 0u);
    // Nothing was written by the refused calls.
    EXPECT_EQ(Listing(dir / "a"),
              (std::vector<std::string>{"good.wav", "good01.wav", "good02.wav"}));
}

TEST_F(BinaryFixture, JsonAndInfoRows) {
    const std::string main = CopyIn("main_16b_2ch_44100.wav", dir / "main.wav");
    RunResult r = RunBatch({"--check", "--json", main});
    ASSERT_EQ(r.status, 0);
    std::regex shape(
        "\\{\"source\": \"[^\"]+\", \"target\": null, \"result\": 1, \"error\": null, \"warning\": "
        "null, "
        "\"max_peak\": -?\\d+, \"max_rms\": -?\\d+, \"norm_rms\": -?\\d+, \"max_peak_db\": \\S+, "
        "\"max_rms_db\": \\S+, \"norm_rms_db\": \\S+\\}\n");
    EXPECT_TRUE(std::regex_match(r.out, shape)) << r.out;
    EXPECT_EQ(JsonValue(r.out, "max_peak"), "16384");

    r = RunBatch({"--info", main, Source("main_8b_1ch_22050.wav")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "main\t000'02.350\twav(44100Hz/16bit/Stereo)\n"
                     "main_8b_1ch_22050\t000'02.350\twav(22050Hz/8bit/Mono)\n");
    r = RunBatch({"--info", "--json", main, dir / "none.wav"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "{\"source\": \"" + main +
                         "\", \"title\": \"main\", \"valid\": 1, \"length_ms\": 2350, \"length\": "
                         "\"000'02.350\", \"text\": \"wav(44100Hz/16bit/Stereo)\"}\n");
    EXPECT_NE(r.err.find("none.wav: missing"), std::string::npos);
}

TEST_F(BinaryFixture, TwoJobsNeverPickTheSameNumberedName) {
    const char* kinds[] = {"main_16b_2ch_44100.wav", "main_8b_1ch_22050.wav",
                           "main_24b_1ch_48000.wav"};
    // The expected result of each kind, from a run of its own.
    std::map<std::string, std::vector<char>> expected;
    for (const char* k : kinds) {
        const std::string one = CopyIn(k, dir / ("single/" + std::string(k)));
        ASSERT_EQ(RunBatch({"-q", "-o", dir / "single", one}).status, 0);
        expected[k] = ReadBytes(dir / ("single/" + fs::path(k).stem().string() + "01.wav"));
    }
    fs::create_directory(dir / "out");
    std::vector<std::string> args{"-j", "2", "-q", "--json", "-o", dir / "out"};
    std::map<std::string, std::string> kindOf;
    for (int i = 0; i < 12; ++i) {
        const std::string src = dir / ("in" + std::to_string(i) + "/take.wav");
        CopyIn(kinds[i % 3], src);
        kindOf[src] = kinds[i % 3];
        args.push_back(src);
    }
    RunResult r = RunBatch(args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::set<std::string> targets;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        std::string src = *JsonValue(line, "source"), target = *JsonValue(line, "target");
        src = src.substr(1, src.size() - 2);
        target = target.substr(1, target.size() - 2);
        EXPECT_TRUE(targets.insert(target).second) << target;
        EXPECT_TRUE(ReadBytes(target) == expected[kindOf[src]]) << src << " -> " << target;
    }
    EXPECT_EQ(targets.size(), 12u);
    auto names = Listing(dir / "out");
    EXPECT_EQ(names.size(), 12u);
    EXPECT_EQ(names.front(), "take.wav");
    EXPECT_EQ(names.back(), "take11.wav");
}

TEST_F(BinaryFixture, OverwriteKeepsTheSourceWhenTheJobFails) {
    const std::string six = CopyIn("ch6_16b.wav", dir / "s/six.wav");
    const std::string good = CopyIn("main_16b_2ch_44100.wav", dir / "s/good.wav");
    const std::string notes = dir / "s/notes.wav";
    WriteBytes(notes, {'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't', '\n'});
    const auto sixBytes = ReadBytes(six), goodBytes = ReadBytes(good);
    RunResult r = RunBatch({"--overwrite", "-j", "2", six, good, notes});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("six.wav: not a WAV file it can edit (6 channels)\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("notes.wav: not a WAV file it can edit (not a RIFF/WAVE file)\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadBytes(six), sixBytes);
    EXPECT_EQ(ReadBytes(notes).size(), 10u);
    EXPECT_NE(ReadBytes(good), goodBytes); // the good one was replaced by its result
    EXPECT_EQ(Listing(dir / "s"), (std::vector<std::string>{"good.wav", "notes.wav", "six.wav"}));
}

bool HasWorkFile(const fs::path& folder) {
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().extension() == ".part" && fs::file_size(e.path()) > 0) return true;
    return false;
}

TEST_F(BinaryFixture, CtrlCLeavesNoPartialFileAndEverySourceIntact) {
    for (const bool overwrite : {true, false}) {
        SCOPED_TRACE(overwrite ? "overwrite" : "output folder");
        ScratchDir run;
        fs::create_directory(run / "s");
        fs::create_directory(run / "out");
        std::vector<std::string> args{"-j", "2", "--normalize", "rms-calc", "--adjust", "1"};
        if (overwrite) {
            args.push_back("--overwrite");
        } else {
            args.insert(args.end(), {"-o", run / "out"});
        }
        std::map<std::string, std::vector<char>> originals;
        for (int i = 0; i < 3; ++i) {
            const std::string src = run / ("s/long" + std::to_string(i) + ".wav");
            WriteToneWav(src, 2, 44100, 44100 * 180, 9000);
            originals[src] = ReadBytes(src);
            args.push_back(src);
        }
        const fs::path watched = overwrite ? run / "s" : run / "out";
        Spawned child = SpawnBatch(args, dir.path().string());
        ASSERT_GT(child.pid, 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!HasWorkFile(watched) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        platform::InterruptProcess(child.pid);
        RunResult r = WaitBatch(child);
        EXPECT_EQ(r.status, 130) << r.err;
        EXPECT_NE(r.err.find("cancelled"), std::string::npos) << r.err;
        for (const auto& [path, bytes] : originals)
            EXPECT_TRUE(ReadBytes(path) == bytes) << path;
        EXPECT_EQ(Listing(run / "s").size(), 3u);
        EXPECT_TRUE(Listing(run / "out").empty());
    }
}

} // namespace

namespace {

// A tiny file system of its own, where the machine allows mounting one.
class SmallDisk {
  public:
    explicit SmallDisk(const std::string& at) : m_at(at) {
        fs::create_directory(at);
        const std::string cmd = "mount -t tmpfs -o size=300k tmpfs '" + at + "' 2>/dev/null";
        m_mounted = ::geteuid() == 0 && std::system(cmd.c_str()) == 0;
    }
    ~SmallDisk() {
        if (m_mounted) std::system(("umount '" + m_at + "'").c_str());
    }
    bool mounted() const { return m_mounted; }

  private:
    std::string m_at;
    bool m_mounted = false;
};

TEST_F(BinaryFixture, DiskFullIsAFailureAndKeepsTheSource) {
    SmallDisk disk(dir / "small");
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system here";
    // Too big for the folder: a clear failure, nothing left behind.
    const std::string big = CopyIn("main_16b_2ch_44100.wav", dir / "big.wav");
    RunResult r = RunBatch({"-q", "-o", dir / "small", big});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quillan-batch: " + big + ": disk full\n");
    EXPECT_TRUE(Listing(dir / "small").empty());

    // Overwrite on a nearly full disk: the source survives unchanged.
    const std::string src = CopyIn("main_8b_1ch_22050.wav", dir / "small/s.wav");
    const auto original = ReadBytes(src);
    WriteBytes(dir / "small/filler", std::vector<char>(220000, 0));
    r = RunBatch({"-q", "--overwrite", "--adjust", "1", src});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quillan-batch: " + src + ": disk full\n");
    EXPECT_EQ(ReadBytes(src), original);
    EXPECT_EQ(Listing(dir / "small"), (std::vector<std::string>{"filler", "s.wav"}));
}

} // namespace

#include "services/store/Settings.h"

namespace {

TEST_F(BinaryFixture, StoredPanelSettingsReachTheEngine) {
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    fs::create_directory(dir / "stored-out");
    for (const auto& [key, value] :
         std::vector<std::pair<const char*, std::string>>{{"0Use", "0"},
                                                          {"1Use", "1"},
                                                          {"NormMode", "1"},
                                                          {"PeakLevel", "-6"},
                                                          {"2Use", "1"},
                                                          {"LevelAdjust", "-3"},
                                                          {"OW", "0"},
                                                          {"SoundPath", dir / "stored-out"}})
        WriteSetting(key, value);
    const std::string src = CopyIn("main_16b_2ch_44100.wav", dir / "in/take.wav");
    RunResult stored = RunBatch({"-q", "--use-settings", src});
    RunResult given = RunBatch({"-q", "--no-trim", "--normalize", "rms-max", "--level", "-6",
                                "--adjust", "-3", "-o", dir / "in", src});
    ::unsetenv("XDG_CONFIG_HOME");
    ASSERT_EQ(stored.status, 0) << stored.err;
    ASSERT_EQ(given.status, 0) << given.err;
    ASSERT_EQ(Listing(dir / "stored-out"), std::vector<std::string>{"take.wav"});
    EXPECT_TRUE(ReadBytes(dir / "stored-out/take.wav") == ReadBytes(dir / "in/take01.wav"));
    // The stored values differ from the built-in defaults, so the result does too.
    EXPECT_EQ(RunBatch({"-q", "-o", dir / "in", src}).status, 0);
    EXPECT_FALSE(ReadBytes(dir / "in/take02.wav") == ReadBytes(dir / "in/take01.wav"));
}

} // namespace

#include "engine/WaveMMIO.h"

namespace {

TEST_F(BinaryFixture, FromAndToSelectTheFrameRange) {
    const std::string src = CopyIn("main_16b_2ch_44100.wav", dir / "r/take.wav");
    RunResult r = RunBatch({"-q", "--no-trim", "--no-normalize", "--from", "1000", "--to", "5000",
                            "-o", dir / "r", src});
    ASSERT_EQ(r.status, 0) << r.err;
    const WaveInfo in = ReadWaveInfo(src);
    const WaveInfo out = ReadWaveInfo(dir / "r/take01.wav");
    ASSERT_EQ(out.Valid, 1);
    EXPECT_EQ(out.SampleFrames, 4000);
    const auto source = ReadBytes(src), result = ReadBytes(dir / "r/take01.wav");
    const auto first = source.begin() + in.DataOffset + 1000 * in.BlockAlign;
    EXPECT_TRUE(std::equal(first, first + 4000 * in.BlockAlign, result.begin() + out.DataOffset));
}

} // namespace

namespace {

TEST_F(BinaryFixture, AFailureAnywhereInTheBatchGivesExitStatusOne) {
    for (const char* jobs : {"1", "2"}) {
        SCOPED_TRACE(std::string("-j ") + jobs);
        ScratchDir run;
        const std::string a = CopyIn("main_8b_1ch_22050.wav", run / "a.wav");
        const std::string b = CopyIn("main_16b_1ch_44100.wav", run / "b.wav");
        const std::string text = run / "text.wav";
        WriteBytes(text, {'n', 'o', '\n'});
        fs::create_directory(run / "out1");
        fs::create_directory(run / "out2");
        // The failing file first, then in the middle; good files after it.
        RunResult r = RunBatch({"-q", "-j", jobs, "-o", run / "out1", run / "absent.wav", a, b});
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(Listing(run / "out1"), (std::vector<std::string>{"a.wav", "b.wav"}));
        r = RunBatch({"-q", "-j", jobs, "-o", run / "out2", a, text, b});
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(Listing(run / "out2"), (std::vector<std::string>{"a.wav", "b.wav"}));
    }
}

TEST_F(BinaryFixture, RefusalsNameTheirCauseWithoutTheMediaHelper) {
    // A copy of the program with no helper beside it: any refusal that needed the helper
    // would come out as a helper failure or "unknown data".
    const std::string lone = dir / "bin/quillan-batch";
    fs::create_directory(dir / "bin");
    fs::copy_file(BatchBinary(), lone);
    fs::create_directory(dir / "s");
    fs::create_directory(dir / "out");
    const std::vector<std::pair<std::string, std::vector<char>>> files = {
        {"alaw.wav", WavBytes(6, 1, 8, 8000, 800)},
        {"float.wav", WavBytes(3, 2, 32, 44100, 800)},
        {"quad.wav", WavBytes(1, 4, 16, 44100, 800)},
        {"twelve.wav", WavBytes(1, 1, 12, 44100, 800)},
        {"text.wav", {'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't', '\n'}}};
    std::vector<std::string> args{"-q", "-j", "2", "-o", dir / "out"};
    for (const auto& [name, bytes] : files) {
        WriteBytes(dir / ("s/" + name), bytes);
        args.push_back(dir / ("s/" + name));
    }
    std::vector<std::string> command{lone};
    command.insert(command.end(), args.begin(), args.end());
    int status = -1;
    std::string error;
    const std::string errFile = dir / "stderr";
    ASSERT_TRUE(platform::RunForOutput(command, errFile, status, error)) << error;
    const std::string err = ReadText(errFile);
    EXPECT_EQ(status, 1);
    auto line = [&](const char* name, const std::string& cause) {
        return "quillan-batch: " + dir / "s/" + name + ": not a WAV file it can edit (" + cause +
               ")";
    };
    // Two jobs at once: the lines come in the order the files finish.
    std::multiset<std::string> lines;
    std::istringstream in(err);
    for (std::string l; std::getline(in, l);)
        lines.insert(l);
    EXPECT_EQ(lines, (std::multiset<std::string>{
                         line("alaw.wav", "A-law"), line("float.wav", "32-bit float"),
                         line("quad.wav", "4 channels"), line("twelve.wav", "12-bit"),
                         line("text.wav", "not a RIFF/WAVE file")}))
        << err;
    EXPECT_TRUE(Listing(dir / "out").empty());
    for (const auto& [name, bytes] : files)
        EXPECT_TRUE(ReadBytes(dir / ("s/" + name)) == bytes) << name;
}

TEST_F(BinaryFixture, AnUnreadableSourceSaysSo) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    const std::string src = CopyIn("main_8b_1ch_22050.wav", dir / "locked.wav");
    fs::permissions(src, fs::perms::none);
    RunResult r = RunBatch({"-q", "-o", dir.path().string(), src});
    fs::permissions(src, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quillan-batch: " + src + ": cannot read: Permission denied\n");
}

// Parses every line of a JSON-lines output with python3's json module after a strict UTF-8
// decode; true when python3 is not installed.
bool PythonAcceptsJsonLines(const std::string& text, const fs::path& scratch, std::string& why) {
    const std::string python = "/usr/bin/python3";
    if (!fs::exists(python)) return true;
    const std::string in = (scratch / "lines.json").string();
    WriteBytes(in, {text.begin(), text.end()});
    const std::string check = "import json, sys\n"
                              "text = sys.stdin.buffer.read().decode('utf-8', 'strict')\n"
                              "for line in text.split('\\n')[:-1]:\n"
                              "    assert isinstance(json.loads(line), dict)\n";
    std::string error;
    const std::string out = (scratch / "python.out").string();
    const int pid = platform::StartProcess({python, "-c", check}, {in, out, out}, error);
    if (pid < 0) {
        why = error;
        return false;
    }
    const int status = platform::WaitProcess(pid);
    why = ReadText(out);
    return status == 0;
}

TEST_F(BinaryFixture, NamesWithControlCharactersOrStrayBytesGiveValidJsonAndOneLineErrors) {
    fs::create_directory(dir / "s");
    fs::create_directory(dir / "out");
    const std::string newline = CopyIn("main_8b_1ch_22050.wav", dir / "s/new\nline.wav");
    const std::string latin1 = CopyIn("main_8b_1ch_22050.wav", dir / "s/caf\xe9.wav");
    const std::string gone = dir / "s/gone\n\x1b[2J.wav";
    RunResult r = RunBatch({"-q", "--json", "-o", dir / "out", newline, latin1, gone});
    EXPECT_EQ(r.status, 1);
    // One error line, its control characters shown as escapes.
    EXPECT_EQ(r.err, "quillan-batch: " + dir / "s/gone\\n\\x1b[2J.wav: missing\n");

    std::vector<std::map<std::string, JsonField>> objects;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        std::string error;
        auto parsed = ParseJsonObject(line, error);
        ASSERT_TRUE(parsed) << error << ": " << line;
        objects.push_back(*parsed);
    }
    ASSERT_EQ(objects.size(), 3u) << r.out;
    EXPECT_EQ(objects[0]["source"].text, newline);
    EXPECT_EQ(objects[0]["target"].text, dir / "out/new\nline.wav");
    EXPECT_EQ(objects[1]["source"].text, dir / "s/caf\xef\xbf\xbd.wav");
    EXPECT_EQ(objects[2]["source"].text, gone);
    EXPECT_EQ(objects[2]["error"].text, "missing");
    EXPECT_EQ(Listing(dir / "out"), (std::vector<std::string>{"caf\xe9.wav", "new\nline.wav"}));
    std::string why;
    EXPECT_TRUE(PythonAcceptsJsonLines(r.out, dir.path(), why)) << why;
}

TEST_F(BinaryFixture, JsonShowsNoLevelsWhenNoPassMeasuredThem) {
    const std::string src = CopyIn("main_16b_2ch_44100.wav", dir / "s/take.wav");
    RunResult r = RunBatch(
        {"-q", "--json", "--no-trim", "--no-normalize", "--adjust", "-1", "-o", dir / "s", src});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(JsonValue(r.out, "result"), "1");
    for (const char* key :
         {"max_peak", "max_rms", "norm_rms", "max_peak_db", "max_rms_db", "norm_rms_db"})
        EXPECT_EQ(JsonValue(r.out, key), "null") << key;
    // Normalising measures: then the levels are there.
    r = RunBatch({"-q", "--json", "--no-trim", "-o", dir / "s", src});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(JsonValue(r.out, "max_peak"), "16384");
}

} // namespace
