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
    ScratchDir Dir;
    std::string Source(const char* pName) {
        return (fs::path(VectorsDir()) / "sources" / pName).string();
    }
    std::string CopyIn(const char* pName, const std::string& pTo) {
        fs::create_directories(fs::path(pTo).parent_path());
        fs::copy_file(Source(pName), pTo);
        fs::permissions(pTo, fs::perms::owner_write, fs::perm_options::add);
        return pTo;
    }
    void SetUp() override {
        if (VectorsDir().empty() || !fs::exists(VectorsDir())) GTEST_SKIP() << "no sources";
    }
};

TEST_F(BinaryFixture, ExitStatusAndUsageMessages) {
    const std::string good = CopyIn("main_8b_1ch_22050.wav", Dir / "a/good.wav");
    RunResult r = RunBatch({"--level", "-1", good});
    EXPECT_EQ(r.Status, 0);
    EXPECT_NE(r.Err.find("1 done, 0 failed; written beside the sources"), std::string::npos);
    EXPECT_TRUE(fs::exists(Dir / "a/good01.wav"));

    r = RunBatch({"-q", good, Dir / "a/absent.wav"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "quillan-batch: " + Dir / "a/absent.wav" + ": missing\n");

    r = RunBatch({"--start-margin", "1.5", good});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("'--start-margin'"), std::string::npos);
    r = RunBatch({"--frobnicate", good});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("unknown option '--frobnicate'"), std::string::npos);
    r = RunBatch({"-o", Dir / "nowhere", good});
    EXPECT_EQ(r.Status, 2);
    r = RunBatch({"--help"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out.rfind("Usage: quillan-batch", 0), 0u);
    // Nothing was written by the refused calls.
    EXPECT_EQ(Listing(Dir / "a"),
              (std::vector<std::string>{"good.wav", "good01.wav", "good02.wav"}));
}

TEST_F(BinaryFixture, JsonAndInfoRows) {
    const std::string main = CopyIn("main_16b_2ch_44100.wav", Dir / "main.wav");
    RunResult r = RunBatch({"--check", "--json", main});
    ASSERT_EQ(r.Status, 0);
    std::regex shape(
        "\\{\"source\": \"[^\"]+\", \"target\": null, \"result\": 1, \"error\": null, \"warning\": "
        "null, "
        "\"max_peak\": -?\\d+, \"max_rms\": -?\\d+, \"norm_rms\": -?\\d+, \"max_peak_db\": \\S+, "
        "\"max_rms_db\": \\S+, \"norm_rms_db\": \\S+, \"skipped\": false, \"seconds\": [0-9.]+, "
        "\"bytes_read\": [1-9]\\d*, \"bytes_written\": 0, \"host\": \"[^\"]*\", \"shard\": "
        "null\\}\n");
    EXPECT_TRUE(std::regex_match(r.Out, shape)) << r.Out;
    EXPECT_EQ(JsonValue(r.Out, "max_peak"), "16384");

    r = RunBatch({"--info", main, Source("main_8b_1ch_22050.wav")});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "main\t000'02.350\twav(44100Hz/16bit/Stereo)\n"
                     "main_8b_1ch_22050\t000'02.350\twav(22050Hz/8bit/Mono)\n");
    r = RunBatch({"--info", "--json", main, Dir / "none.wav"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, "{\"source\": \"" + main +
                         "\", \"title\": \"main\", \"valid\": 1, \"length_ms\": 2350, \"length\": "
                         "\"000'02.350\", \"text\": \"wav(44100Hz/16bit/Stereo)\", "
                         "\"metadata\": [], \"dropped\": [], \"tags\": {}, \"bext\": null}\n");
    EXPECT_NE(r.Err.find("none.wav: missing"), std::string::npos);

    // Files with no audio are reported with the reason, whatever their name says.
    const std::string empty = Dir / "empty.mp3", program = Dir / "ls.mp3";
    std::ofstream(empty).close();
    std::filesystem::copy_file("/bin/ls", program);
    r = RunBatch({"--info", empty, program});
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(std::regex_match(r.Out, std::regex("empty\t000'00.000\t.*\nls\t000'00.000\t.*\n")))
        << r.Out;
    EXPECT_EQ(r.Err, "quillan-batch: " + empty + ": empty file\nquillan-batch: " + program +
                         ": cannot read\n");
}

TEST_F(BinaryFixture, TwoJobsNeverPickTheSameNumberedName) {
    const char* kinds[] = {"main_16b_2ch_44100.wav", "main_8b_1ch_22050.wav",
                           "main_24b_1ch_48000.wav"};
    // The expected result of each kind, from a run of its own.
    std::map<std::string, std::vector<char>> expected;
    for (const char* k : kinds) {
        const std::string one = CopyIn(k, Dir / ("single/" + std::string(k)));
        ASSERT_EQ(RunBatch({"-q", "-o", Dir / "single", one}).Status, 0);
        expected[k] = ReadBytes(Dir / ("single/" + fs::path(k).stem().string() + "01.wav"));
    }
    fs::create_directory(Dir / "out");
    std::vector<std::string> args{"-j", "2", "-q", "--json", "-o", Dir / "out"};
    std::map<std::string, std::string> kindOf;
    for (int i = 0; i < 12; ++i) {
        const std::string src = Dir / ("in" + std::to_string(i) + "/take.wav");
        CopyIn(kinds[i % 3], src);
        kindOf[src] = kinds[i % 3];
        args.push_back(src);
    }
    RunResult r = RunBatch(args);
    ASSERT_EQ(r.Status, 0) << r.Err;
    std::set<std::string> targets;
    std::istringstream lines(r.Out);
    for (std::string line; std::getline(lines, line);) {
        std::string src = *JsonValue(line, "source"), target = *JsonValue(line, "target");
        src = src.substr(1, src.size() - 2);
        target = target.substr(1, target.size() - 2);
        EXPECT_TRUE(targets.insert(target).second) << target;
        EXPECT_TRUE(ReadBytes(target) == expected[kindOf[src]]) << src << " -> " << target;
    }
    EXPECT_EQ(targets.size(), 12u);
    auto names = Listing(Dir / "out");
    EXPECT_EQ(names.size(), 12u);
    EXPECT_EQ(names.front(), "take.wav");
    EXPECT_EQ(names.back(), "take11.wav");
}

TEST_F(BinaryFixture, OverwriteKeepsTheSourceWhenTheJobFails) {
    const std::string six = Dir / "s/six.wav"; // nine channels: not edited
    fs::create_directories(Dir / "s");
    WriteBytes(six, WavBytes(1, 9, 16, 48000, 1800));
    const std::string good = CopyIn("main_16b_2ch_44100.wav", Dir / "s/good.wav");
    const std::string notes = Dir / "s/notes.wav";
    WriteBytes(notes, {'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't', '\n'});
    const auto sixBytes = ReadBytes(six), goodBytes = ReadBytes(good);
    RunResult r = RunBatch({"--overwrite", "-j", "2", six, good, notes});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("six.wav: not a WAV file it can edit (9 channels)\n"), std::string::npos)
        << r.Err;
    EXPECT_NE(r.Err.find("notes.wav: not a WAV file it can edit (not a RIFF/WAVE file)\n"),
              std::string::npos)
        << r.Err;
    EXPECT_EQ(ReadBytes(six), sixBytes);
    EXPECT_EQ(ReadBytes(notes).size(), 10u);
    EXPECT_NE(ReadBytes(good), goodBytes); // the good one was replaced by its result
    EXPECT_EQ(Listing(Dir / "s"), (std::vector<std::string>{"good.wav", "notes.wav", "six.wav"}));
}

bool HasWorkFile(const fs::path& pFolder) {
    for (const auto& e : fs::directory_iterator(pFolder))
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
        Spawned child = SpawnBatch(args, Dir.path().string());
        ASSERT_GT(child.Pid, 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!HasWorkFile(watched) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        platform::InterruptProcess(child.Pid);
        RunResult r = WaitBatch(child);
        EXPECT_EQ(r.Status, 130) << r.Err;
        EXPECT_NE(r.Err.find("cancelled"), std::string::npos) << r.Err;
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
    explicit SmallDisk(const std::string& pAt) : m_At(pAt) {
        fs::create_directory(pAt);
        const std::string cmd = "mount -t tmpfs -o size=300k tmpfs '" + pAt + "' 2>/dev/null";
        m_Mounted = ::geteuid() == 0 && std::system(cmd.c_str()) == 0;
    }
    ~SmallDisk() {
        if (m_Mounted) std::system(("umount '" + m_At + "'").c_str());
    }
    bool mounted() const { return m_Mounted; }

  private:
    std::string m_At;
    bool m_Mounted = false;
};

TEST_F(BinaryFixture, DiskFullIsAFailureAndKeepsTheSource) {
    SmallDisk disk(Dir / "small");
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system here";
    // Too big for the folder: a clear failure, nothing left behind.
    const std::string big = CopyIn("main_16b_2ch_44100.wav", Dir / "big.wav");
    RunResult r = RunBatch({"-q", "-o", Dir / "small", big});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "quillan-batch: " + big + ": disk full\n");
    EXPECT_TRUE(Listing(Dir / "small").empty());

    // Overwrite on a nearly full disk: the source survives unchanged.
    const std::string src = CopyIn("main_8b_1ch_22050.wav", Dir / "small/s.wav");
    const auto original = ReadBytes(src);
    WriteBytes(Dir / "small/filler", std::vector<char>(220000, 0));
    r = RunBatch({"-q", "--overwrite", "--adjust", "1", src});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "quillan-batch: " + src + ": disk full\n");
    EXPECT_EQ(ReadBytes(src), original);
    EXPECT_EQ(Listing(Dir / "small"), (std::vector<std::string>{"filler", "s.wav"}));
}

} // namespace

#include "services/store/Settings.h"

namespace {

TEST_F(BinaryFixture, StoredPanelSettingsReachTheEngine) {
    ::setenv("XDG_CONFIG_HOME", (Dir / "config").c_str(), 1);
    fs::create_directory(Dir / "stored-out");
    for (const auto& [key, value] :
         std::vector<std::pair<const char*, std::string>>{{"0Use", "0"},
                                                          {"1Use", "1"},
                                                          {"NormMode", "1"},
                                                          {"PeakLevel", "-6"},
                                                          {"2Use", "1"},
                                                          {"LevelAdjust", "-3"},
                                                          {"OW", "0"},
                                                          {"SoundPath", Dir / "stored-out"}})
        WriteSetting(key, value);
    const std::string src = CopyIn("main_16b_2ch_44100.wav", Dir / "in/take.wav");
    RunResult stored = RunBatch({"-q", "--use-settings", src});
    RunResult given = RunBatch({"-q", "--no-trim", "--normalize", "rms-max", "--level", "-6",
                                "--adjust", "-3", "-o", Dir / "in", src});
    ::unsetenv("XDG_CONFIG_HOME");
    ASSERT_EQ(stored.Status, 0) << stored.Err;
    ASSERT_EQ(given.Status, 0) << given.Err;
    ASSERT_EQ(Listing(Dir / "stored-out"), std::vector<std::string>{"take.wav"});
    EXPECT_TRUE(ReadBytes(Dir / "stored-out/take.wav") == ReadBytes(Dir / "in/take01.wav"));
    // The stored values differ from the built-in defaults, so the result does too.
    EXPECT_EQ(RunBatch({"-q", "-o", Dir / "in", src}).Status, 0);
    EXPECT_FALSE(ReadBytes(Dir / "in/take02.wav") == ReadBytes(Dir / "in/take01.wav"));
}

} // namespace

#include "engine/WaveMMIO.h"

namespace {

TEST_F(BinaryFixture, FromAndToSelectTheFrameRange) {
    const std::string src = CopyIn("main_16b_2ch_44100.wav", Dir / "r/take.wav");
    RunResult r = RunBatch({"-q", "--no-trim", "--no-normalize", "--from", "1000", "--to", "5000",
                            "-o", Dir / "r", src});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const WaveInfo in = ReadWaveInfo(src);
    const WaveInfo out = ReadWaveInfo(Dir / "r/take01.wav");
    ASSERT_EQ(out.Valid, 1);
    EXPECT_EQ(out.SampleFrames, 4000);
    const auto source = ReadBytes(src), result = ReadBytes(Dir / "r/take01.wav");
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
        EXPECT_EQ(r.Status, 1) << r.Err;
        EXPECT_EQ(Listing(run / "out1"), (std::vector<std::string>{"a.wav", "b.wav"}));
        r = RunBatch({"-q", "-j", jobs, "-o", run / "out2", a, text, b});
        EXPECT_EQ(r.Status, 1) << r.Err;
        EXPECT_EQ(Listing(run / "out2"), (std::vector<std::string>{"a.wav", "b.wav"}));
    }
}

TEST_F(BinaryFixture, RefusalsNameTheirCauseWithoutTheMediaHelper) {
    // A copy of the program with no helper beside it: any refusal that needed the helper
    // would come out as a helper failure or "unknown data".
    const std::string lone = Dir / "bin/quillan-batch";
    fs::create_directory(Dir / "bin");
    fs::copy_file(BatchBinary(), lone);
    fs::create_directory(Dir / "s");
    fs::create_directory(Dir / "out");
    const std::vector<std::pair<std::string, std::vector<char>>> files = {
        {"alaw.wav", WavBytes(6, 1, 8, 8000, 800)},
        {"float.wav", WavBytes(3, 2, 64, 44100, 1600)},
        {"nine.wav", WavBytes(1, 9, 16, 44100, 1800)},
        {"twelve.wav", WavBytes(1, 1, 12, 44100, 800)},
        {"text.wav", {'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't', '\n'}}};
    std::vector<std::string> args{"-q", "-j", "2", "-o", Dir / "out"};
    for (const auto& [name, bytes] : files) {
        WriteBytes(Dir / ("s/" + name), bytes);
        args.push_back(Dir / ("s/" + name));
    }
    std::vector<std::string> command{lone};
    command.insert(command.end(), args.begin(), args.end());
    int status = -1;
    std::string error;
    const std::string errFile = Dir / "stderr";
    ASSERT_TRUE(platform::RunForOutput(command, errFile, status, error)) << error;
    const std::string err = ReadText(errFile);
    EXPECT_EQ(status, 1);
    auto line = [&](const char* pName, const std::string& pCause) {
        return "quillan-batch: " + Dir / "s/" + pName + ": not a WAV file it can edit (" + pCause +
               ")";
    };
    // Two jobs at once: the lines come in the order the files finish.
    std::multiset<std::string> lines;
    std::istringstream in(err);
    for (std::string l; std::getline(in, l);)
        lines.insert(l);
    EXPECT_EQ(lines, (std::multiset<std::string>{
                         line("alaw.wav", "A-law"), line("float.wav", "64-bit float"),
                         line("nine.wav", "9 channels"), line("twelve.wav", "12-bit"),
                         line("text.wav", "not a RIFF/WAVE file")}))
        << err;
    EXPECT_TRUE(Listing(Dir / "out").empty());
    for (const auto& [name, bytes] : files)
        EXPECT_TRUE(ReadBytes(Dir / ("s/" + name)) == bytes) << name;
}

TEST_F(BinaryFixture, AnUnreadableSourceSaysSo) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    const std::string src = CopyIn("main_8b_1ch_22050.wav", Dir / "locked.wav");
    fs::permissions(src, fs::perms::none);
    RunResult r = RunBatch({"-q", "-o", Dir.path().string(), src});
    fs::permissions(src, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "quillan-batch: " + src + ": cannot read: Permission denied\n");
}

// Parses every line of a JSON-lines output with python3's json module after a strict UTF-8
// decode; true when python3 is not installed.
bool PythonAcceptsJsonLines(const std::string& pText, const fs::path& pScratch, std::string& pWhy) {
    const std::string python = "/usr/bin/python3";
    if (!fs::exists(python)) return true;
    const std::string in = (pScratch / "lines.json").string();
    WriteBytes(in, {pText.begin(), pText.end()});
    const std::string check = "import json, sys\n"
                              "text = sys.stdin.buffer.read().decode('utf-8', 'strict')\n"
                              "for line in text.split('\\n')[:-1]:\n"
                              "    assert isinstance(json.loads(line), dict)\n";
    std::string error;
    const std::string out = (pScratch / "python.out").string();
    const int pid = platform::StartProcess({python, "-c", check}, {in, out, out}, error);
    if (pid < 0) {
        pWhy = error;
        return false;
    }
    const int status = platform::WaitProcess(pid);
    pWhy = ReadText(out);
    return status == 0;
}

TEST_F(BinaryFixture, NamesWithControlCharactersOrStrayBytesGiveValidJsonAndOneLineErrors) {
    fs::create_directory(Dir / "s");
    fs::create_directory(Dir / "out");
    const std::string newline = CopyIn("main_8b_1ch_22050.wav", Dir / "s/new\nline.wav");
    const std::string latin1 = CopyIn("main_8b_1ch_22050.wav", Dir / "s/caf\xe9.wav");
    const std::string gone = Dir / "s/gone\n\x1b[2J.wav";
    RunResult r = RunBatch({"-q", "--json", "-o", Dir / "out", newline, latin1, gone});
    EXPECT_EQ(r.Status, 1);
    // One error line, its control characters shown as escapes.
    EXPECT_EQ(r.Err, "quillan-batch: " + Dir / "s/gone\\n\\x1b[2J.wav: missing\n");

    std::vector<std::map<std::string, JsonField>> objects;
    std::istringstream lines(r.Out);
    for (std::string line; std::getline(lines, line);) {
        std::string error;
        auto parsed = ParseJsonObject(line, error);
        ASSERT_TRUE(parsed) << error << ": " << line;
        objects.push_back(*parsed);
    }
    ASSERT_EQ(objects.size(), 3u) << r.Out;
    EXPECT_EQ(objects[0]["source"].Text, newline);
    EXPECT_EQ(objects[0]["target"].Text, Dir / "out/new\nline.wav");
    EXPECT_EQ(objects[1]["source"].Text, Dir / "s/caf\xef\xbf\xbd.wav");
    EXPECT_EQ(objects[2]["source"].Text, gone);
    EXPECT_EQ(objects[2]["error"].Text, "missing");
    EXPECT_EQ(Listing(Dir / "out"), (std::vector<std::string>{"caf\xe9.wav", "new\nline.wav"}));
    std::string why;
    EXPECT_TRUE(PythonAcceptsJsonLines(r.Out, Dir.path(), why)) << why;
}

TEST_F(BinaryFixture, InfoRowsOfNamesWithStrayBytesOrLineBreaks) {
    fs::create_directory(Dir / "s");
    const std::string latin1 = CopyIn("main_8b_1ch_22050.wav", Dir / "s/caf\xe9.wav");
    const std::string newline = CopyIn("main_8b_1ch_22050.wav", Dir / "s/new\nline.wav");
    RunResult r = RunBatch({"--info", "--json", latin1, newline});
    ASSERT_EQ(r.Status, 0) << r.Err;
    std::istringstream lines(r.Out);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        std::string error;
        auto parsed = ParseJsonObject(line, error);
        ASSERT_TRUE(parsed) << error << ": " << line;
        EXPECT_EQ((*parsed)["text"].Text, "wav(22050Hz/8bit/Mono)");
    }
    EXPECT_EQ(count, 2);
    std::string why;
    EXPECT_TRUE(PythonAcceptsJsonLines(r.Out, Dir.path(), why)) << why;
    // The tab-separated rows stay one row a file.
    r = RunBatch({"--info", latin1, newline});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 2) << r.Out;
    EXPECT_NE(r.Out.find("new\\nline\t"), std::string::npos) << r.Out;
}

TEST_F(BinaryFixture, JsonShowsNoLevelsWhenNoPassMeasuredThem) {
    const std::string src = CopyIn("main_16b_2ch_44100.wav", Dir / "s/take.wav");
    RunResult r = RunBatch(
        {"-q", "--json", "--no-trim", "--no-normalize", "--adjust", "-1", "-o", Dir / "s", src});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(JsonValue(r.Out, "result"), "1");
    for (const char* key :
         {"max_peak", "max_rms", "norm_rms", "max_peak_db", "max_rms_db", "norm_rms_db"})
        EXPECT_EQ(JsonValue(r.Out, key), "null") << key;
    // Normalising measures: then the levels are there.
    r = RunBatch({"-q", "--json", "--no-trim", "-o", Dir / "s", src});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(JsonValue(r.Out, "max_peak"), "16384");
}

} // namespace
