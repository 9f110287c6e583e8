#include "engine/FileIO.h"
#include "FoundationUtil.h"
#include "engine/WaveMMIO.h"
#include "platform/core/Events.h"
#include "services/core/Paths.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace foundation_test;

TEST(SeekSplit, PositionsAbove4GiBSplitIntoHighAndLowParts) {
    const SeekParts big = SplitSeekPosition(5000000000LL);
    EXPECT_EQ(big.High, 1);
    EXPECT_EQ(big.Low, 705032704);
    const SeekParts edge = SplitSeekPosition(4294967295LL);
    EXPECT_EQ(edge.High, 0);
    EXPECT_EQ(uint32_t(edge.Low), 0xFFFFFFFFu);
    const SeekParts small = SplitSeekPosition(2147483646LL);
    EXPECT_EQ(small.High, 0);
    EXPECT_EQ(small.Low, 2147483646);
    const SeekParts mid = SplitSeekPosition(3000000000LL);
    EXPECT_EQ(mid.High, 0);
    EXPECT_EQ(uint32_t(mid.Low), 3000000000u);
    const SeekParts huge = SplitSeekPosition(3 * 4294967296LL + 7);
    EXPECT_EQ(huge.High, 3);
    EXPECT_EQ(huge.Low, 7);
}

TEST(SizeFields, ToUInt32FieldClampsAndKeepsTheBitPattern) {
    EXPECT_EQ(ToUInt32Field(4294967296LL), int32_t(0xFFFFFFFF));
    EXPECT_EQ(ToUInt32Field(INT64_MAX), int32_t(0xFFFFFFFF));
    EXPECT_EQ(ToUInt32Field(-5), 0);
    EXPECT_EQ(ToUInt32Field(0), 0);
    EXPECT_EQ(ToUInt32Field(2147483647LL), 2147483647);
    EXPECT_EQ(ToUInt32Field(2147483648LL), INT32_MIN);
    EXPECT_EQ(ToUInt32Field(4294967295LL), -1);
    for (int64_t v : {0LL, 1LL, 2147483647LL, 2147483648LL, 3000000000LL, 4294967295LL})
        EXPECT_EQ(FromUInt32Field(ToUInt32Field(v)), v);
    EXPECT_EQ(FromUInt32Field(-1), 4294967295LL);
}

TEST(SizeFields, IsOddLooksAtTheLastBit) {
    EXPECT_EQ(IsOdd(0), 0);
    EXPECT_EQ(IsOdd(7), 1);
    EXPECT_EQ(IsOdd(4294967295LL), 1);
    EXPECT_EQ(IsOdd(4294967296LL), 0);
    EXPECT_EQ(IsOdd(-3), 1);
}

class FileIO : public ScratchTest {};

TEST_F(FileIO, ReadPastTheEndSucceedsAndReportsTheBytesReallyRead) {
    const std::string f = PathOf("f.bin");
    WriteBytes(f, "abcdef");
    std::array<char, 4> buf{'1', '2', '3', '4'};
    int64_t got = -1;
    EXPECT_EQ(ReadAt(buf.data(), 4, 0, f, 5, 0, &got), 1);
    EXPECT_EQ(got, 1);
    EXPECT_EQ(std::string(buf.data(), 4), "f234");

    EXPECT_EQ(ReadAt(buf.data(), 4, 2, f, 0, 0, &got), 1); // 32-bit offset when position is 0
    EXPECT_EQ(got, 4);
    EXPECT_EQ(std::string(buf.data(), 4), "cdef");

    EXPECT_EQ(ReadAt(buf.data(), 4, 0, f, 100, 0, &got), 1);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(ReadAt(buf.data(), 4, 0, f, -8, 0, &got), 0);
}

TEST_F(FileIO, ReadOfAMissingFileRetriesWithWaitsThatYield) {
    static int pumps = 0;
    pumps = 0;
    platform::SetPumpEventsHook([] { ++pumps; });
    char c = 0;
    int64_t got = -1;
    EXPECT_EQ(ReadAt(&c, 1, 0, PathOf("missing"), 1, 0, &got), 0);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(pumps, 0); // a single try never waits

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadAt(&c, 1, 0, PathOf("missing"), 1, 3), 0);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    platform::SetPumpEventsHook(nullptr);
    EXPECT_GE(elapsed, std::chrono::milliseconds(1000)); // two waits of 500 ms
    EXPECT_GT(pumps, 0);
}

TEST_F(FileIO, WriteAppendsOrOverwritesInPlaceAndKeepsTheHandle) {
    const std::string f = PathOf("w.bin");
    FileHandle h = WriteAt("abc", 3, -1, 0, f);
    ASSERT_GE(h, 3);
    h = WriteAt("def", 3, -1, h, f);
    ASSERT_GE(h, 3);
    h = WriteAt("X", 1, 1, h, f);
    ASSERT_GE(h, 3);
    EXPECT_EQ(GetSizeByHandle(h), 6);
    CloseFile(h);
    EXPECT_EQ(ReadBytes(f), "aXcdef");

    // Opening by path never truncates.
    h = WriteAt("Z", 1, 0, 0, f);
    CloseFile(h);
    EXPECT_EQ(ReadBytes(f), "ZXcdef");

    EXPECT_EQ(WriteAt("x", 1, -1, 0, PathOf("no/such/folder.bin")), 0);
}

TEST_F(FileIO, FailedWriteClosesTheCallersHandle) {
    const std::string f = PathOf("r.bin");
    WriteBytes(f, "abc");
    FileHandle h = OpenForRead(f);
    ASSERT_GE(h, 3);
    EXPECT_EQ(WriteAt("x", 1, 0, h, f), 0);
    errno = 0;
    EXPECT_EQ(::fcntl(h, F_GETFD), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(ReadBytes(f), "abc");

    h = OpenForWrite(f);
    EXPECT_EQ(WriteAt("x", 1, -2, h, f), 0); // a position below -1 is refused
    EXPECT_EQ(::fcntl(h, F_GETFD), -1);
}

TEST_F(FileIO, HandlesNeverLandOnTheStandardStreams) {
    const std::string f = PathOf("s.bin");
    WriteBytes(f, "abc");
    const int savedIn = ::dup(0);
    ASSERT_GE(savedIn, 0);
    ::close(0);
    FileHandle h = OpenForRead(f);
    const bool stdinFree = ::fcntl(0, F_GETFD) == -1;
    ::dup2(savedIn, 0);
    ::close(savedIn);
    EXPECT_GE(h, 3);
    EXPECT_TRUE(stdinFree);
    CloseFile(h);
    EXPECT_EQ(OpenForRead(PathOf("missing")), 0);
    // The plain success 1 of some writers must never close or write to stdout.
    CloseFile(1);
    EXPECT_NE(::fcntl(1, F_GETFD), -1);
    EXPECT_EQ(GetSizeByHandle(1), -1);
}

TEST_F(FileIO, SizesByPathAndHandle) {
    const std::string f = PathOf("n.bin");
    WriteBytes(f, std::string(1000, 'x'));
    int64_t len = -1;
    EXPECT_EQ(GetFileSizeByPath(f, len), 1000);
    EXPECT_EQ(len, 1000);
    EXPECT_EQ(GetFileSizeByPath(PathOf("missing"), len), 0);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(GetSizeByHandle(0), -1);
}

// A sparse file larger than 4 GiB: positions must not wrap at 32 bits.
TEST_F(FileIO, PositionsBeyond4GiBReachTheRightByte) {
    const std::string f = PathOf("big.bin");
    FileHandle h = WriteAt("A", 1, 5000000000LL, 0, f);
    ASSERT_GE(h, 3) << "the scratch file system must allow files above 4 GiB";
    h = WriteAt("B", 1, 4294967295LL, h, f);
    ASSERT_GE(h, 3);
    h = WriteAt("C", 1, 3000000000LL, h, f);
    ASSERT_GE(h, 3);
    EXPECT_EQ(SeekTo(h, 4294967295LL), 0);
    EXPECT_EQ(SeekTo(h, -1), -1);
    EXPECT_EQ(GetSizeByHandle(h), 5000000001LL);
    CloseFile(h);

    int64_t len = 0;
    EXPECT_EQ(GetFileSizeByPath(f, len), 705032705);
    EXPECT_EQ(len, 5000000001LL);
    char c = 0;
    EXPECT_EQ(ReadAt(&c, 1, 0, f, 5000000000LL, 0), 1);
    EXPECT_EQ(c, 'A');
    EXPECT_EQ(ReadAt(&c, 1, 0, f, 4294967295LL, 0), 1);
    EXPECT_EQ(c, 'B');
    EXPECT_EQ(ReadAt(&c, 1, int32_t(3000000000u), f, 0, 0), 1); // offset read as unsigned
    EXPECT_EQ(c, 'C');
    h = OpenForWrite(f);
    EXPECT_EQ(SetEndOfFileAt(h, 10), 1);
    EXPECT_EQ(GetSizeByHandle(h), 10);
    CloseFile(h);
}

TEST(WaitMs, YieldsUntilTheTimeHasPassed) {
    static int pumps = 0;
    pumps = 0;
    platform::SetPumpEventsHook([] { ++pumps; });
    const auto start = std::chrono::steady_clock::now();
    WaitMs(30, 1);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    WaitMs(0, 0);
    WaitMs(-5, 0);
    platform::SetPumpEventsHook(nullptr);
    EXPECT_GE(elapsed, std::chrono::milliseconds(30));
    EXPECT_GE(pumps, 2);
}

TEST_F(FileIO, NulInsidePathsAndFifosAreRefusedWithoutHarm) {
    const std::string good = PathOf("good.bin");
    WriteBytes(good, "keep");
    const std::string withNul = good + std::string(1, '\0') + "x";
    EXPECT_EQ(OpenForRead(withNul), 0);
    EXPECT_EQ(WriteAt("zz", 2, 0, 0, withNul), 0);
    EXPECT_EQ(FileExists(withNul), 0);
    EXPECT_EQ(DeleteFileForced(withNul), 0);
    EXPECT_EQ(ReadBytes(good), "keep");

    // A FIFO without a writer must neither block the reader nor the header reader.
    const std::string fifo = PathOf("pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    char c = 0;
    int64_t got = -1;
    EXPECT_EQ(ReadAt(&c, 1, 0, fifo, 1, 0, &got), 0);
    EXPECT_EQ(ReadWaveInfo(fifo).Valid, 0);
    EXPECT_EQ(WriteAt("x", 1, -1, 0, fifo), 0);
}
