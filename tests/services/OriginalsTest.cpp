// Replaced originals: kept in the Trash of their file system or a backup folder before the
// result takes their name, and put back by undoing the run's journal.

#include "services/core/Originals.h"
#include "ServicesTestSupport.h"
#include "common/WavChunks.h"
#include "foundation/FoundationUtil.h"
#include "platform/core/Trash.h"
#include "services/core/ResultFiles.h"
#include "services/core/RunJournal.h"
#include "services/job/FileStep.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using foundation_test::ReadBytes;
using foundation_test::TempFolder;
using foundation_test::WriteBytes;
using results::KeepOriginal;

namespace {

std::string WavText(size_t pFrames) {
    const wavchunks::Bytes b =
        wavchunks::Wav(8000, 16, 1, wavchunks::Bytes(pFrames * 2, 0x11), {}, {});
    return std::string(b.begin(), b.end());
}

// Names in a folder other than the work files' ones, sorted.
std::vector<std::string> Listing(const std::string& pFolder) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(pFolder))
        names.push_back(fs::relative(e.path(), pFolder).string());
    std::sort(names.begin(), names.end());
    return names;
}

class OriginalsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dir / "in");
        fs::create_directories(dir / "links");
    }

    // Replaces pFile with pResult as the rule says; the error text.
    std::string Replace(const std::string& pFile, const std::string& pResult,
                        results::OriginalsRule pRule, results::KeptOriginal& pKept) {
        const std::string work = results::WorkFileIn(results::FolderOf(pFile));
        WriteBytes(work, pResult);
        const std::string error = results::KeepAndReplace(work, pFile, pRule, pKept);
        if (!error.empty()) results::RemoveIfPresent(work);
        return error;
    }

    // One file through the per-file step, over its source, reached through a link.
    job::StepOutcome Step(const std::string& pReal, results::OriginalsRule pRule) {
        const std::string link = dir / ("links/" + fs::path(pReal).filename().string());
        fs::remove(link);
        fs::create_symlink(pReal, link);
        job::StepRequest q;
        q.Job.SourcePath = link;
        q.Target.Where = job::Placement::OverSource;
        q.Target.Originals = pRule;
        q.Edit = [](const EditJob& pJob, const C_EditWave::Progress&) {
            WriteBytes(pJob.TargetPath, WavText(10));
            EditResult r;
            r.Status = EditStatus::Done;
            r.KeptFrames = 10;
            return r;
        };
        return job::RunFileStep(q);
    }

    TempFolder dir;
    testsupport::ScopedEnv data{"XDG_DATA_HOME", dir / "data"};
    testsupport::ScopedEnv state{"XDG_STATE_HOME", dir / "state"};
};

TEST_F(OriginalsTest, TheStepKeepsTheOriginalOfTheLinkedFileAsTheRuleSays) {
    const std::string real = fs::canonical(dir / "in").string() + "/take #1.wav";
    struct Case {
        results::OriginalsRule Rule;
        std::string Kept;      // where the original must be
        std::string TrashInfo; // the trash entry's info, or none
    };
    const Case cases[] = {
        {{KeepOriginal::Trash, {}},
         dir / "data/Trash/files/take #1.wav",
         dir / "data/Trash/info/take #1.wav.trashinfo"},
        {{KeepOriginal::Trash, {}},
         dir / "data/Trash/files/take #1.2.wav",
         dir / "data/Trash/info/take #1.2.wav.trashinfo"},
        {{KeepOriginal::Backup, dir / "backup/"}, dir / "backup" + real, ""},
        {{KeepOriginal::Backup, dir / "backup"},
         dir / "backup" + fs::path(real).parent_path().string() + "/take #101.wav",
         ""},
        {{KeepOriginal::None, {}}, "", ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Kept);
        const std::string original = "original " + std::to_string(++n);
        WriteBytes(real, original);
        const job::StepOutcome out = Step(real, c.Rule);
        ASSERT_EQ(out.State, job::StepState::Replaced) << out.Reason;
        EXPECT_EQ(ReadBytes(real), WavText(10));
        EXPECT_EQ(out.Kept.Path, c.Kept);
        EXPECT_EQ(out.Kept.TrashInfo, c.TrashInfo);
        if (!c.Kept.empty()) {
            EXPECT_EQ(ReadBytes(c.Kept), original);
        }
        if (!c.TrashInfo.empty()) {
            const std::string info = ReadBytes(c.TrashInfo);
            EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + platform::TrashPathText(real) +
                                     "\nDeletionDate=20",
                                 0),
                      0u)
                << info;
            EXPECT_NE(info.find("%20%231.wav\n"), std::string::npos) << info;
        }
    }
}

TEST_F(OriginalsTest, AFileWhoseOriginalCannotBeKeptIsNotReplaced) {
    const std::string real = dir / "in/take.wav";
    WriteBytes(real, "original");
    WriteBytes(dir / "blocked", "a file where the backup folder would be");
    const job::StepOutcome out = Step(real, {KeepOriginal::Backup, dir / "blocked"});
    EXPECT_EQ(out.State, job::StepState::Failed);
    EXPECT_EQ(out.Reason.rfind("not replaced: the original could not be backed up: ", 0), 0u)
        << out.Reason;
    EXPECT_EQ(ReadBytes(real), "original");
    EXPECT_EQ(Listing(dir / "in"), std::vector<std::string>{"take.wav"});
}

// A tmpfs of its own: another file system, whose trash is at its top folder.
class OtherMountTest : public OriginalsTest {
  protected:
    void SetUp() override {
        OriginalsTest::SetUp();
        fs::create_directory(mount);
        if (std::system(("mount -t tmpfs quillan-test '" + mount + "' 2>/dev/null").c_str()) != 0)
            GTEST_SKIP() << "mounting a tmpfs is not allowed here: other mounts not tested";
        mounted = true;
    }
    void TearDown() override {
        if (mounted) std::system(("umount '" + mount + "'").c_str());
    }

    std::string mount = dir / "mnt";
    std::string uid = std::to_string(geteuid());
    bool mounted = false;
};

TEST_F(OtherMountTest, TheTrashIsOnTheFilesOwnFileSystem) {
    const std::string file = mount + "/take.wav";
    results::KeptOriginal kept;
    // No shared trash: the user's own one at the top.
    WriteBytes(file, "first");
    ASSERT_EQ(Replace(file, "result", {}, kept), "");
    EXPECT_EQ(kept.Path, mount + "/.Trash-" + uid + "/files/take.wav");
    EXPECT_EQ(ReadBytes(kept.Path), "first");
    // A shared one with the sticky bit: a folder of the user's in it.
    fs::create_directory(mount + "/.Trash");
    fs::permissions(mount + "/.Trash", fs::perms::all | fs::perms::sticky_bit);
    ASSERT_EQ(Replace(file, "second result", {}, kept), "");
    EXPECT_EQ(kept.Path, mount + "/.Trash/" + uid + "/files/take.wav");
    EXPECT_EQ(ReadBytes(kept.Path), "result");
    // Neither can be made: not replaced, nothing left behind.
    fs::remove_all(mount + "/.Trash");
    fs::remove_all(mount + "/.Trash-" + uid);
    WriteBytes(mount + "/.Trash-" + uid, "not a folder");
    const std::string error = Replace(file, "third result", {}, kept);
    EXPECT_EQ(error.rfind("not replaced: the original could not be moved to the Trash: ", 0), 0u)
        << error;
    EXPECT_EQ(ReadBytes(file), "second result");
    EXPECT_EQ(Listing(mount), (std::vector<std::string>{".Trash-" + uid, "take.wav"}));
}

// Replaces each file of the run and records it in a journal, as quillan-batch does.
std::string JournalRun(const std::vector<std::string>& pFiles, results::OriginalsRule pRule) {
    results::RunJournal journal;
    for (const std::string& file : pFiles) {
        const std::string work = results::WorkFileIn(results::FolderOf(file));
        WriteBytes(work, "result of " + ReadBytes(file));
        results::KeptOriginal kept;
        EXPECT_EQ(results::KeepAndReplace(work, file, pRule, kept), "");
        EXPECT_EQ(journal.Add(file, kept.Path, kept.TrashInfo), "");
    }
    return journal.Path();
}

TEST_F(OriginalsTest, UndoRestoresUnchangedResultsOnceAndResumes) {
    for (const results::OriginalsRule& rule :
         {results::OriginalsRule{}, results::OriginalsRule{KeepOriginal::Backup, dir / "bak"}}) {
        SCOPED_TRACE(rule.BackupDir);
        const std::string a = dir / "in/a.wav", b = dir / "in/b.wav", c = dir / "in/c.wav";
        for (const std::string& f : {a, b, c})
            WriteBytes(f, f);
        // b is replaced twice in the run: the undo goes back both steps.
        const std::string journal = JournalRun({a, b, c, b}, rule);
        ASSERT_EQ(journal, results::LatestJournal(results::JournalFolder()));
        WriteBytes(c, "edited since");
        const std::string beforeUndo = ReadBytes(journal);

        results::UndoReport undo = results::UndoRun(journal);
        EXPECT_EQ(undo.Restored, (std::vector<std::string>{b, b, a}));
        EXPECT_EQ(undo.Changed, std::vector<std::string>{c});
        EXPECT_TRUE(undo.Failed.empty()) << undo.Failed[0];
        EXPECT_EQ(ReadBytes(a), a);
        EXPECT_EQ(ReadBytes(b), b);
        EXPECT_EQ(ReadBytes(c), "edited since");

        // A second undo changes nothing.
        undo = results::UndoRun(journal);
        EXPECT_TRUE(undo.Restored.empty());
        EXPECT_EQ(undo.AlreadyDone, 3);
        EXPECT_EQ(ReadBytes(a), a);
        EXPECT_EQ(ReadBytes(b), b);

        // Stopped after the renames, before any was marked: the next undo finds them done.
        WriteBytes(journal, beforeUndo);
        undo = results::UndoRun(journal);
        EXPECT_TRUE(undo.Restored.empty());
        EXPECT_TRUE(undo.Failed.empty()) << undo.Failed[0];
        EXPECT_EQ(ReadBytes(a), a);
        EXPECT_EQ(ReadBytes(b), b);
        // Only the original of the result edited since stays in the Trash.
        if (rule.BackupDir.empty()) {
            EXPECT_EQ(Listing(dir / "data/Trash/info"),
                      std::vector<std::string>{"c.wav.trashinfo"});
        }
        fs::remove_all(dir / "state");
    }
}

// The desktop's own tools see the trashed original under its path, where they can.
TEST_F(OriginalsTest, TheDesktopListsTheTrashedOriginal) {
    const std::string file = fs::canonical(dir / "in").string() + "/take.wav";
    WriteBytes(file, "original");
    results::KeptOriginal kept;
    ASSERT_EQ(Replace(file, "result", {}, kept), "");
    FILE* gio = popen("gio trash --list 2>&1", "r");
    ASSERT_NE(gio, nullptr);
    std::string listed;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, gio))
        listed += buffer;
    if (pclose(gio) != 0)
        GTEST_SKIP() << "gio cannot list the trash here (no gio or no trash backend): " << listed;
    EXPECT_NE(listed.find(file), std::string::npos) << listed;
}

} // namespace
