// quillan-batch on an RF64 source of more than 4 GiB (sparse: a header, holes and a burst of
// sound past 4 GiB): a range past frame 2^31 gives the bytes the same job gives on a small
// copy of that range, an output past 4 GiB (forced margin) is RF64 that sox and ffprobe read,
// and memory stays where the small job's stays.

#include "CliTestSupport.h"
#include "common/WavWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace clitest;

extern char** environ;

namespace {

constexpr int64_t kRate = 48000;
// 16-bit mono: 2^31 + 2^20 frames, 4 GiB + 2 MiB of audio.
constexpr int64_t kFrames = (int64_t(1) << 31) + (int64_t(1) << 20);
constexpr int64_t kBurstFrame = (int64_t(1) << 31) + 10000; // its bytes lie past 4 GiB
constexpr int64_t kBurstFrames = 4800;
constexpr int64_t kFirstKept = kBurstFrame - 4800; // the jobs start here, past 2^31 too

void PutLe(std::vector<char>& pBytes, uint64_t pValue, int pBytesCount) {
    for (int i = 0; i < pBytesCount; ++i)
        pBytes.push_back(char(pValue >> (8 * i)));
}
void PutId(std::vector<char>& pBytes, const char* pId) {
    pBytes.insert(pBytes.end(), pId, pId + 4);
}

// An RF64 header of 16-bit mono audio of pFrames frames.
std::vector<char> Rf64Header(int64_t pFrames) {
    std::vector<char> h;
    PutId(h, "RF64");
    PutLe(h, 0xFFFFFFFFu, 4);
    PutId(h, "WAVE");
    PutId(h, "ds64");
    PutLe(h, 28, 4);
    PutLe(h, uint64_t(72 + pFrames * 2), 8);
    PutLe(h, uint64_t(pFrames * 2), 8);
    PutLe(h, uint64_t(pFrames), 8);
    PutLe(h, 0, 4);
    const std::string fmt = testwav::Chunk("fmt ", testwav::FmtBody({int32_t(kRate), 16, 1}));
    h.insert(h.end(), fmt.begin(), fmt.end());
    PutId(h, "data");
    PutLe(h, 0xFFFFFFFFu, 4);
    return h;
}

// The burst: a rising and falling ramp of 16-bit samples.
std::vector<char> Burst() {
    std::vector<char> b;
    for (int64_t i = 0; i < kBurstFrames; ++i)
        PutLe(b, uint16_t(int16_t((i % 400 < 200 ? i % 400 : 400 - i % 400) * 90 - 9000)), 2);
    return b;
}

bool WriteAtOffset(const std::string& pPath, int64_t pPos, const std::vector<char>& pBytes) {
    FILE* f = std::fopen(pPath.c_str(), "r+b");
    if (!f) return false;
    const bool ok = ::fseeko(f, off_t(pPos), SEEK_SET) == 0 &&
                    std::fwrite(pBytes.data(), 1, pBytes.size(), f) == pBytes.size();
    return std::fclose(f) == 0 && ok;
}

int64_t AllocatedBytes(const std::string& pPath) {
    struct stat st {};
    return ::stat(pPath.c_str(), &st) == 0 ? int64_t(st.st_blocks) * 512 : -1;
}

// A plain 16-bit mono file holding frames [kFirstKept, kFrames) of the big source.
void WriteSmallCopy(const std::string& pPath) {
    const int64_t frames = kFrames - kFirstKept;
    std::vector<char> bytes = WavBytes(1, 1, 16, uint32_t(kRate), uint32_t(frames * 2));
    std::fill(bytes.begin() + 44, bytes.end(), 0);
    const std::vector<char> burst = Burst();
    std::copy(burst.begin(), burst.end(), bytes.begin() + 44 + (kBurstFrame - kFirstKept) * 2);
    WriteBytes(pPath, bytes);
}

struct Measured {
    int Status = -1;
    long MaxRssKb = -1;
};

// Runs quillan-batch as a child of its own, for its maximum resident set.
Measured RunMeasured(const std::vector<std::string>& pArgs) {
    std::vector<std::string> words{BatchBinary()};
    words.insert(words.end(), pArgs.begin(), pArgs.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Measured m;
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid) {
            m.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            m.MaxRssKb = usage.ru_maxrss;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return m;
}

std::string Shell(const std::string& pCommand) {
    std::string out;
    if (FILE* p = popen(pCommand.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p))
            out += buf;
        pclose(p);
    }
    return out;
}

// The first pCount bytes of a file (the outputs here are too long to read whole).
std::vector<char> HeadBytes(const std::string& pPath, size_t pCount) {
    std::vector<char> bytes(pCount);
    std::ifstream in(pPath, std::ios::binary);
    in.read(bytes.data(), std::streamsize(pCount));
    bytes.resize(size_t(in.gcount()));
    return bytes;
}

std::string OnlyFile(const fs::path& pFolder) {
    const std::vector<std::string> names = Listing(pFolder);
    return names.size() == 1 ? (pFolder / names[0]).string() : std::string();
}

} // namespace

TEST(Rf64Binary, SourcePastFourGiBReadsPastTheLimitsAndWritesRf64) {
    ScratchDir dir;
    const fs::space_info space = fs::space(dir.path());
    if (space.available < (int64_t(256) << 20))
        GTEST_SKIP() << "less than 256 MiB free in " << dir.path();
    const std::string big = dir / "big.wav";
    const std::vector<char> head = Rf64Header(kFrames);
    WriteBytes(big, head);
    fs::resize_file(big, head.size() + kFrames * 2);
    if (AllocatedBytes(big) > (int64_t(64) << 20))
        GTEST_SKIP() << "the scratch file system does not keep holes";
    ASSERT_TRUE(WriteAtOffset(big, int64_t(head.size()) + kBurstFrame * 2, Burst()));
    const std::string small = dir / "small.wav";
    WriteSmallCopy(small);

    // A trimmed and normalised range past frame 2^31, and the same job on the small copy.
    const std::vector<std::string> job{"-q",           "--trim", "--start-margin", "100",
                                       "--end-margin", "100",    "--normalize",    "peak",
                                       "--level",      "-3"};
    auto run = [&](const std::string& pSource, const std::string& pOut,
                   std::vector<std::string> pExtra) {
        fs::create_directories(pOut);
        std::vector<std::string> args = job;
        args.insert(args.end(), pExtra.begin(), pExtra.end());
        args.insert(args.end(), {"-o", pOut, pSource});
        return RunMeasured(args);
    };
    const Measured smallRun = run(small, dir / "small1", {});
    const Measured bigRun = run(big, dir / "big1", {"--from", std::to_string(kFirstKept)});
    ASSERT_EQ(smallRun.Status, 0);
    ASSERT_EQ(bigRun.Status, 0);
    const std::vector<char> expected = ReadBytes(OnlyFile(dir.path() / "small1"));
    ASSERT_GT(expected.size(), 44u + kBurstFrames * 2);
    EXPECT_EQ(ReadBytes(OnlyFile(dir.path() / "big1")), expected);

    // A forced end margin of 13 hours: more than 4 GiB, written as RF64.
    const std::vector<std::string> longTail{"--end-margin", "46800000", "--force-margin"};
    std::vector<std::string> bigArgs = longTail;
    bigArgs.insert(bigArgs.end(), {"--from", std::to_string(kFirstKept)});
    const Measured bigLong = run(big, dir / "big2", bigArgs);
    ASSERT_EQ(bigLong.Status, 0);
    const Measured smallLong = run(small, dir / "small2", longTail);
    ASSERT_EQ(smallLong.Status, 0);
    const std::string out = OnlyFile(dir.path() / "big2");
    const std::string smallOut = OnlyFile(dir.path() / "small2");
    const int64_t length = int64_t(fs::file_size(out));
    EXPECT_GT(length, int64_t(1) << 32);
    EXPECT_EQ(length, int64_t(fs::file_size(smallOut)));
    const size_t compared = 80 + 2 * 48000;
    const std::vector<char> outHead = HeadBytes(out, compared);
    ASSERT_EQ(outHead.size(), compared);
    EXPECT_EQ(std::string(outHead.data(), 4), "RF64");
    EXPECT_EQ(std::string(outHead.data() + 12, 4), "ds64");
    // The header and the kept audio as on the small copy (the rest is the forced silence).
    EXPECT_EQ(HeadBytes(smallOut, compared), outHead);

    // Memory: no job on the big source holds more than the small copy's job does.
    std::printf("maximum resident set: small copy %ld kB, big source %ld kB, RF64 output %ld kB\n",
                smallRun.MaxRssKb, bigRun.MaxRssKb, bigLong.MaxRssKb);
    EXPECT_LT(bigRun.MaxRssKb, smallRun.MaxRssKb + 16 * 1024);
    EXPECT_LT(bigLong.MaxRssKb, smallRun.MaxRssKb + 16 * 1024);

    const int64_t frames = (length - 80) / 2;
    if (Shell("command -v sox >/dev/null && command -v ffprobe >/dev/null && echo yes") != "yes\n")
        GTEST_SKIP() << "sox or ffprobe missing";
    // sox takes the header through a pipe: on a file it can seek in, it looks for chunks
    // after the audio from a 32-bit cut of the 64-bit size and reads the rest of the file.
    EXPECT_EQ(std::atoll(Shell("head -c 65536 '" + out + "' | sox --i -s -").c_str()), frames);
    EXPECT_EQ(std::atoll(Shell("ffprobe -v error -select_streams a:0 -show_entries "
                               "stream=duration_ts -of default=nw=1:nk=1 '" +
                               out + "'")
                             .c_str()),
              frames);
}
