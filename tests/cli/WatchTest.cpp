// quillan-batch --watch on a real folder: files taken once, whole and settled; restarts,
// moves, a burst that overflows the event queue, two watchers on one folder, a stop mid-file,
// a folder that goes away and the service manager's readiness message.

#include "CliTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

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
    // A watcher on in/ that has said it is watching.
    Spawned Launch(const std::vector<std::string>& pExtra) {
        std::vector<std::string> args{"--watch", Dir / "in", "-o", Dir / "out",
                                      "--json",  "--settle", "0.3"};
        args.insert(args.end(), pExtra.begin(), pExtra.end());
        Spawned child = SpawnBatch(args, Dir.path().string());
        EXPECT_GT(child.Pid, 0);
        EXPECT_TRUE(WaitFor([&] {
            return ReadText(child.ErrFile).find("watching") != std::string::npos;
        })) << ReadText(child.ErrFile);
        return child;
    }
    void Start(std::vector<std::string> pExtra = {}) {
        Child = Launch(pExtra);
        ASSERT_FALSE(HasFailure());
    }
    Lines Seen() const { return ParseLines(ReadText(Child.OutFile)); }
    bool SeenLines(size_t pCount) {
        return WaitFor([&] { return Seen().Total >= pCount; });
    }
    RunResult Stop(const Spawned& pChild) {
        ::kill(pChild.Pid, SIGTERM);
        return WaitBatch(pChild);
    }
    RunResult Stop() { return Stop(Child); }
    // A tone written elsewhere and moved in whole.
    void MoveIn(const std::string& pName, int64_t pFrames = 4800) {
        const std::string staged = Dir / ("stage/" + fs::path(pName).filename().string());
        WriteToneWav(staged, 1, 48000, pFrames, 9000);
        fs::rename(staged, Dir / ("in/" + pName));
    }
    // pCount short tones staged first, so that they land in one burst.
    std::vector<std::string> MoveInBurst(const std::string& pPrefix, int pCount) {
        std::vector<std::string> names;
        for (int i = 0; i < pCount; ++i) {
            names.push_back(pPrefix + std::to_string(i) + ".wav");
            WriteToneWav(Dir / ("stage/" + names.back()), 1, 8000, 400 + i, 9000);
        }
        for (const std::string& name : names)
            fs::rename(Dir / ("stage/" + name), Dir / ("in/" + name));
        return names;
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

// The state letter of a process (R, S, T for stopped, ...).
char ProcessState(int pPid) {
    const std::string stat = ReadText("/proc/" + std::to_string(pPid) + "/stat");
    const auto paren = stat.rfind(')');
    return paren == std::string::npos || paren + 2 >= stat.size() ? '?' : stat[paren + 2];
}

TEST_F(Watch, EventsLostToAFullQueueAreFoundByAScanAndEachFileIsDoneOnce) {
    const long limit = std::stol("0" + ReadText("/proc/sys/fs/inotify/max_queued_events"));
    if (limit <= 0 || limit > (1 << 20)) GTEST_SKIP() << "queue limit " << limit;
    // The kernel hangs up (SIGHUP) a stopped process whose process group is orphaned when
    // some other member ends; in a group of this test's own the watcher stopped below is safe.
    ::setpgid(0, 0);
    ASSERT_NO_FATAL_FAILURE(Start({"-j", "2", "--then-move", Dir / "done"}));
    // Stopped, the watcher reads no events: its queue fills up and then overflows.
    ::kill(Child.Pid, SIGSTOP);
    ASSERT_TRUE(WaitFor([&] { return ProcessState(Child.Pid) == 'T'; }));
    std::vector<std::string> names = MoveInBurst("early", 30);
    // Closes of two files in turn are never merged into one event; they are not WAV names.
    for (long i = 0; i <= limit; ++i)
        std::ofstream(Dir / (i % 2 ? "in/noise-a.txt" : "in/noise-b.txt"), std::ios::app);
    // These land after the overflow: no event tells of them.
    for (const std::string& name : MoveInBurst("late", 60))
        names.push_back(name);
    ::kill(Child.Pid, SIGCONT);
    if (!SeenLines(names.size())) {
        const RunResult r = Stop();
        FAIL() << r.Status << "\n" << r.Err;
    }
    // A file moved in last is done after anything still pending before it.
    MoveIn("last.wav");
    names.push_back("last.wav");
    ASSERT_TRUE(WaitFor([&] { return Seen().PerSource.count("last.wav") == 1; }));
    const RunResult r = Stop();
    EXPECT_NE(r.Err.find("the event queue overflowed"), std::string::npos) << r.Err;
    const Lines l = ParseLines(r.Out);
    std::map<std::string, int> once;
    for (const std::string& name : names)
        once[name] = 1;
    EXPECT_EQ(l.PerSource, once) << r.Err;
    EXPECT_EQ(l.Done, names.size()) << r.Err;
    EXPECT_EQ(Listing(Dir.path() / "out").size(), names.size());
    EXPECT_EQ(Listing(Dir.path() / "done").size(), names.size());
}

TEST_F(Watch, TwoWatchersOnOneFolderDoEachFileOnce) {
    const std::vector<std::string> extra{"-j",         "2",        "--then-move",
                                         Dir / "done", "--failed", Dir / "failed"};
    const Spawned first = Launch(extra), second = Launch(extra);
    ASSERT_FALSE(HasFailure());
    constexpr int kFiles = 60;
    const std::vector<std::string> names = MoveInBurst("f", kFiles);
    const bool moved = WaitFor([&] { return Listing(Dir.path() / "done").size() >= kFiles; });
    const RunResult a = Stop(first), b = Stop(second);
    ASSERT_TRUE(moved) << a.Err << b.Err;
    // Each file is written once, by one of them; the other says at most that it was done.
    std::map<std::string, int> written;
    std::istringstream out(a.Out + b.Out);
    for (std::string line; std::getline(out, line);) {
        std::string error;
        const auto obj = ParseJsonObject(line, error);
        ASSERT_TRUE(obj) << line << ": " << error;
        EXPECT_EQ(obj->at("result").Text, "1") << line;
        if (obj->at("skipped").Text == "false")
            ++written[fs::path(obj->at("source").Text).filename().string()];
    }
    std::map<std::string, int> once;
    for (const std::string& name : names)
        once[name] = 1;
    EXPECT_EQ(written, once);
    EXPECT_EQ(Listing(Dir.path() / "out"), Listing(Dir.path() / "done"));
    EXPECT_EQ(Listing(Dir.path() / "done").size(), size_t(kFiles));
    EXPECT_TRUE(Listing(Dir.path() / "failed").empty());
    for (const std::string& err : {a.Err, b.Err}) {
        std::istringstream lines(err);
        for (std::string line; std::getline(lines, line);)
            EXPECT_TRUE(line.find(": done: ") != std::string::npos ||
                        line.find(": already done: ") != std::string::npos ||
                        line.find("quillan-batch: watching ") == 0 ||
                        line.find("quillan-batch: stopped; ") == 0)
                << line;
    }
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
    const std::string in = Dir / "in";
    // Unmounting needs a mount namespace of this test's own, which only some machines allow.
    const bool mounts = ::unshare(CLONE_NEWNS) == 0 &&
                        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    const std::pair<std::string, std::function<void()>> ways[] = {
        {"was deleted", [&] { fs::remove_all(in); }},
        {"was moved or renamed", [&] { fs::rename(in, Dir / "away"); }},
        {"was unmounted", [&] { EXPECT_EQ(::umount(in.c_str()), 0) << std::strerror(errno); }},
    };
    for (const auto& [how, make] : ways) {
        SCOPED_TRACE(how);
        fs::create_directory(in);
        if (how == "was unmounted") {
            if (!mounts) continue;
            ASSERT_EQ(::mount("none", in.c_str(), "tmpfs", 0, nullptr), 0) << std::strerror(errno);
        }
        ASSERT_NO_FATAL_FAILURE(Start());
        make();
        const bool ended = WaitFor(
            [&] { return ReadText(Child.ErrFile).find("stopped watching") != std::string::npos; },
            60);
        const RunResult r = ended ? WaitBatch(Child) : Stop();
        EXPECT_TRUE(ended) << r.Err;
        EXPECT_EQ(r.Status, 1);
        EXPECT_NE(r.Err.find("the watched folder '" + in + "' " + how + "; stopped watching"),
                  std::string::npos)
            << r.Err;
    }
    if (!mounts) return (void)std::printf("unmounting not tried: no mount namespace here\n");
    // A DONE folder on another file system is refused at start: no source could be moved there.
    fs::create_directory(in);
    ASSERT_EQ(::mount("none", (Dir / "done").c_str(), "tmpfs", 0, nullptr), 0);
    const RunResult r = RunBatch({"--watch", in, "-o", Dir / "out", "--then-move", Dir / "done"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("of '--then-move' is not on the watched folder's file system"),
              std::string::npos)
        << r.Err;
}

// A datagram socket bound to pName (a path, or an abstract name after '@'), as a service
// manager listens on it.
class ManagerSocket {
  public:
    explicit ManagerSocket(const std::string& pName)
        : m_Fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, pName.data(), pName.size());
        const bool abstract = pName[0] == '@';
        if (abstract) address.sun_path[0] = '\0';
        const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + pName.size() +
                                                   (abstract ? 0 : 1));
        m_Bound = ::bind(m_Fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    }
    ~ManagerSocket() { ::close(m_Fd); }
    bool Bound() const { return m_Bound; }
    // The next message; empty when none came in time.
    std::string Next() {
        pollfd p{m_Fd, POLLIN, 0};
        if (::poll(&p, 1, 120 * 1000) <= 0) return {};
        char buffer[256];
        const long n = ::recv(m_Fd, buffer, sizeof buffer, 0);
        return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
    }

  private:
    int m_Fd;
    bool m_Bound = false;
};

TEST_F(Watch, TheServiceManagerIsToldOfReadinessAndOfTheStop) {
    const std::string names[] = {Dir / "notify",
                                 "@quillan-test-notify-" + std::to_string(::getpid())};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        ManagerSocket manager(name);
        ASSERT_TRUE(manager.Bound()) << std::strerror(errno);
        ::setenv("NOTIFY_SOCKET", name.c_str(), 1);
        Start();
        ::unsetenv("NOTIFY_SOCKET");
        ASSERT_FALSE(HasFailure());
        EXPECT_EQ(manager.Next(), "READY=1");
        const RunResult r = Stop();
        EXPECT_EQ(manager.Next(), "STOPPING=1");
        EXPECT_EQ(r.Status, 128 + SIGTERM);
        EXPECT_EQ(r.Err.find("service manager"), std::string::npos) << r.Err;
    }
}

} // namespace
