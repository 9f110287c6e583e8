#include "app/RunTarget.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace app;
using testfiles::ReadBytes;
using testfiles::TempDir;
using testfiles::WriteBytes;
namespace fs = std::filesystem;

class RunTargetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(dir.Path() / "in");
        fs::create_directory(dir.Path() / "out");
        source = dir / "in/take.wav";
        WriteBytes(source, "source");
    }
    TempDir dir;
    std::string source;
};

TEST_F(RunTargetTest, OutputFolderGetsTheSourceNameOrTheFirstFreeNumber) {
    EXPECT_EQ(TargetPath(source, dir / "out", 0), dir / "out/take.wav");
    EXPECT_EQ(TargetPath(source, dir / "out/", 0), dir / "out/take.wav");
    WriteBytes(dir / "out/take.wav", "x");
    EXPECT_EQ(TargetPath(source, dir / "out", 0), dir / "out/take01.wav");
    WriteBytes(dir / "out/take01.wav", "x");
    EXPECT_EQ(TargetPath(source, dir / "out/", 0), dir / "out/take02.wav");
}

TEST_F(RunTargetTest, MissingFolderOrOverWriteWritesBesideTheSource) {
    EXPECT_EQ(TargetPath(source, "", 0), dir / "in/take01.wav");
    EXPECT_EQ(TargetPath(source, dir / "nowhere", 0), dir / "in/take01.wav");
    EXPECT_EQ(TargetPath(source, dir / "out", 1), dir / "in/take01.wav");
    WriteBytes(dir / "in/take01.wav", "x");
    EXPECT_EQ(TargetPath(source, dir / "out", 1), dir / "in/take02.wav");
    // A file named like the folder is not a folder.
    EXPECT_EQ(TargetPath(source, source, 0), dir / "in/take02.wav");
}

TEST_F(RunTargetTest, FinishedJobStaysOrReplacesTheSource) {
    std::string target = dir / "in/take01.wav";
    WriteBytes(target, "edited");
    EXPECT_EQ(SettleTarget(1, false, 0, target, source), ItemOutcome::Written);
    EXPECT_EQ(ReadBytes(target), "edited");
    EXPECT_EQ(ReadBytes(source), "source");

    EXPECT_EQ(SettleTarget(1, false, 1, target, source), ItemOutcome::Replaced);
    EXPECT_EQ(ReadBytes(source), "edited");
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(RunTargetTest, FailedOrAbortedJobsLeaveNoTargetAndKeepTheSource) {
    std::string target = dir / "in/take01.wav";
    WriteBytes(target, "half");
    EXPECT_EQ(SettleTarget(0, false, 1, target, source), ItemOutcome::Failed);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(ReadBytes(source), "source");

    // An abort removes even a finished target, and never touches the source.
    WriteBytes(target, "done");
    EXPECT_EQ(SettleTarget(1, true, 1, target, source), ItemOutcome::Aborted);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(ReadBytes(source), "source");

    // A job that produced nothing to move leaves the source where it was.
    EXPECT_EQ(SettleTarget(1, false, 1, target, source), ItemOutcome::ReplaceFailed);
    EXPECT_EQ(ReadBytes(source), "source");

    // A source that is its own target (it vanished before the run) is never deleted.
    EXPECT_EQ(SettleTarget(0, true, 1, source, source), ItemOutcome::Failed);
    EXPECT_EQ(ReadBytes(source), "source");
}
