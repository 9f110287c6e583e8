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

TEST_F(RunTargetTest, PlanPutsTheWorkFileWhereTheResultGoes) {
    ItemFiles toFolder = PlanItemFiles(source, dir / "out/", 0);
    EXPECT_EQ(toFolder.Wanted, dir / "out/take.wav");
    EXPECT_FALSE(toFolder.NumberAlways);
    EXPECT_EQ(fs::path(toFolder.Work).parent_path(), dir.Path() / "out");
    EXPECT_FALSE(fs::exists(toFolder.Work)); // the engine creates it

    ItemFiles beside = PlanItemFiles(source, dir / "nowhere", 0);
    EXPECT_EQ(beside.Wanted, source);
    EXPECT_TRUE(beside.NumberAlways);
    EXPECT_NE(beside.Work, toFolder.Work);

    // OverWrite: the work file goes beside the file a link leads to.
    fs::create_directory(dir.Path() / "links");
    fs::create_symlink(source, dir.Path() / "links/take.wav");
    ItemFiles over = PlanItemFiles(dir / "links/take.wav", dir / "out", 1);
    EXPECT_EQ(over.Replaces, fs::canonical(source).string());
    EXPECT_EQ(fs::path(over.Work).parent_path(), fs::canonical(dir.Path() / "in"));

    // A read-only source is refused before any work.
    fs::permissions(source, fs::perms::owner_read);
    ItemFiles readOnly = PlanItemFiles(source, dir / "out", 1);
    EXPECT_TRUE(readOnly.Work.empty());
    EXPECT_EQ(readOnly.Error, "the source is read-only: not replaced");
    EXPECT_EQ(SettleTarget(1, false, 1, 100, readOnly), ItemOutcome::Failed);
    EXPECT_EQ(ReadBytes(source), "source");
}

TEST_F(RunTargetTest, FinishedJobTakesTheFirstFreeNameOrReplacesTheSource) {
    WriteBytes(dir / "out/take.wav", "taken");
    ItemFiles toFolder = PlanItemFiles(source, dir / "out", 0);
    WriteBytes(toFolder.Work, "edited");
    std::string final;
    EXPECT_EQ(SettleTarget(1, false, 0, 100, toFolder, &final), ItemOutcome::Written);
    EXPECT_EQ(final, dir / "out/take01.wav");
    EXPECT_EQ(ReadBytes(final), "edited");
    EXPECT_EQ(ReadBytes(dir / "out/take.wav"), "taken");

    // The replaced source keeps its permission bits (0600 stayed 0600).
    fs::permissions(source, fs::perms::owner_read | fs::perms::owner_write);
    ItemFiles over = PlanItemFiles(source, dir / "out", 1);
    WriteBytes(over.Work, "replaced");
    EXPECT_EQ(SettleTarget(1, false, 1, 100, over, &final), ItemOutcome::Replaced);
    EXPECT_EQ(final, source);
    EXPECT_EQ(ReadBytes(source), "replaced");
    EXPECT_EQ(fs::status(source).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    // OverWrite switched off during the file: the result stays numbered beside the source.
    ItemFiles switched = PlanItemFiles(source, dir / "out", 1);
    WriteBytes(switched.Work, "numbered");
    EXPECT_EQ(SettleTarget(1, false, 0, 100, switched, &final), ItemOutcome::Written);
    EXPECT_EQ(final, dir / "in/take01.wav");
    EXPECT_EQ(ReadBytes(source), "replaced");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path() / "in"), {}), 2); // no work file
}

TEST_F(RunTargetTest, AResultWithNoAudioNeverReplacesTheSource) {
    ItemFiles over = PlanItemFiles(source, dir / "out", 1);
    WriteBytes(over.Work, "header only");
    EXPECT_EQ(SettleTarget(1, false, 1, 0, over), ItemOutcome::NoSound);
    EXPECT_EQ(ReadBytes(source), "source");
    EXPECT_FALSE(fs::exists(over.Work));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path() / "in"), {}), 1);

    // Written elsewhere, the empty result is kept and said to be empty.
    ItemFiles toFolder = PlanItemFiles(source, dir / "out", 0);
    WriteBytes(toFolder.Work, "header only");
    std::string final;
    EXPECT_EQ(SettleTarget(1, false, 0, 0, toFolder, &final), ItemOutcome::WrittenEmpty);
    EXPECT_EQ(final, dir / "out/take.wav");
}

TEST_F(RunTargetTest, FailedOrAbortedJobsLeaveNothingAndKeepTheSource) {
    ItemFiles over = PlanItemFiles(source, dir / "out", 1);
    WriteBytes(over.Work, "half");
    EXPECT_EQ(SettleTarget(0, false, 1, 100, over), ItemOutcome::Failed);
    EXPECT_FALSE(fs::exists(over.Work));
    EXPECT_EQ(ReadBytes(source), "source");

    // An abort removes even a finished result, and never touches the source.
    WriteBytes(over.Work, "done");
    EXPECT_EQ(SettleTarget(1, true, 1, 100, over), ItemOutcome::Aborted);
    EXPECT_FALSE(fs::exists(over.Work));
    EXPECT_EQ(ReadBytes(source), "source");

    // A job that produced nothing to move leaves the source where it was.
    EXPECT_EQ(SettleTarget(1, false, 1, 100, over), ItemOutcome::Failed);
    EXPECT_EQ(ReadBytes(source), "source");
    EXPECT_TRUE(fs::is_empty(dir.Path() / "out"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path() / "in"), {}), 1);
}
