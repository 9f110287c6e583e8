// One file through plan, job, check and placement, with a stand-in engine that writes a given
// result: where results land, what replaces a source and what never does.

#include "services/job/FileStep.h"
#include "common/WavChunks.h"
#include "engine/FailureReason.h"
#include "foundation/FoundationUtil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;
using foundation_test::ReadBytes;
using foundation_test::TempFolder;
using foundation_test::WriteBytes;

namespace {

std::string WavText(size_t pFrames) {
    const wavchunks::Bytes b =
        wavchunks::Wav(8000, 16, 1, wavchunks::Bytes(pFrames * 2, 0x11), {}, {});
    return std::string(b.begin(), b.end());
}

size_t Entries(const std::string& pFolder) {
    return size_t(std::distance(fs::directory_iterator(pFolder), {}));
}

class FileStepTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(dir / "in");
        fs::create_directory(dir / "out");
        source = dir / "in/take.wav";
        WriteBytes(source, "source");
    }

    // A request whose engine writes pResult as the work file and reports pKept frames (or the
    // status given).
    job::StepRequest Request(job::Placement pWhere, std::string pResult = WavText(100),
                             int64_t pKept = 100, EditStatus pStatus = EditStatus::Done) {
        job::StepRequest q;
        q.Job.SourcePath = source;
        q.Target.Where = pWhere;
        if (pWhere == job::Placement::OutputFolder) q.Target.Wanted = dir / "out/take.wav";
        q.Edit = [this, pResult, pKept, pStatus](const EditJob& pJob, const C_EditWave::Progress&) {
            ++calls;
            work = pJob.TargetPath;
            EXPECT_FALSE(fs::exists(fs::symlink_status(work))) << "the engine creates it";
            if (!work.empty()) WriteBytes(work, pResult);
            EditResult r;
            r.Status = pStatus;
            r.KeptFrames = pKept;
            return r;
        };
        return q;
    }

    TempFolder dir;
    std::string source;
    std::string work;
    int calls = 0;
};

TEST_F(FileStepTest, ResultsTakeTheFirstFreeNameOfTheirPlace) {
    struct Case {
        job::Placement Where;
        const char* Taken; // a name already there, or none
        const char* Lands;
    };
    const Case cases[] = {
        {job::Placement::OutputFolder, nullptr, "out/take.wav"},
        {job::Placement::OutputFolder, "out/take.wav", "out/take01.wav"},
        {job::Placement::BesideSource, nullptr, "in/take01.wav"},
        {job::Placement::BesideSource, "in/take01.wav", "in/take02.wav"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Lands);
        if (c.Taken) WriteBytes(dir / c.Taken, "taken");
        const job::StepOutcome out = job::RunFileStep(Request(c.Where));
        EXPECT_EQ(out.State, job::StepState::Written) << out.Reason;
        EXPECT_EQ(out.ResultPath, dir / c.Lands);
        EXPECT_EQ(ReadBytes(out.ResultPath), WavText(100));
        EXPECT_EQ(fs::path(work).parent_path(), fs::path(out.ResultPath).parent_path());
        if (c.Taken) {
            EXPECT_EQ(ReadBytes(dir / c.Taken), "taken");
        }
        fs::remove(out.ResultPath);
    }
    EXPECT_EQ(ReadBytes(source), "source");
}

TEST_F(FileStepTest, OverSourceReplacesTheFileItsLinkLeadsToAndKeepsItsMode) {
    fs::create_directory(dir / "links");
    fs::create_symlink(source, dir / "links/take.wav");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write;
    fs::permissions(source, mode);
    job::StepRequest q = Request(job::Placement::OverSource);
    q.Job.SourcePath = dir / "links/take.wav";
    const job::StepOutcome out = job::RunFileStep(q);
    EXPECT_EQ(out.State, job::StepState::Replaced) << out.Reason;
    EXPECT_EQ(out.ResultPath, fs::canonical(source).string());
    EXPECT_EQ(fs::path(work).parent_path(), fs::canonical(dir / "in"));
    EXPECT_EQ(ReadBytes(source), WavText(100));
    EXPECT_EQ(fs::status(source).permissions(), mode);
    EXPECT_TRUE(fs::is_symlink(dir / "links/take.wav"));

    // Replacing switched off during the file: the result stays numbered beside the source.
    WriteBytes(source, "source");
    q = Request(job::Placement::OverSource);
    q.ReplaceStillWanted = [] { return false; };
    const job::StepOutcome kept = job::RunFileStep(q);
    EXPECT_EQ(kept.State, job::StepState::Written);
    EXPECT_EQ(kept.ResultPath, dir / "in/take01.wav");
    EXPECT_EQ(ReadBytes(source), "source");
}

TEST_F(FileStepTest, NothingBadEverReachesTheSourceOrStaysBehind) {
    fs::permissions(dir / "in/take.wav", fs::perms::owner_read | fs::perms::owner_write);
    struct Case {
        const char* Name;
        job::Placement Where;
        std::string Result;
        int64_t Kept;
        EditStatus Status;
        bool Stop;
        job::StepState State;
        const char* Reason;
    };
    const Case cases[] = {
        {"no sound", job::Placement::OverSource, WavText(0), 0, EditStatus::Done, false,
         job::StepState::NoSoundKept, kNoSoundKept},
        {"failed job", job::Placement::OverSource, "half", 100, EditStatus::WriteFailed, false,
         job::StepState::Failed, "write failed"},
        {"stopped after the job", job::Placement::OverSource, WavText(100), 100, EditStatus::Done,
         true, job::StepState::Cancelled, "cancelled"},
        {"not a WAV file", job::Placement::OverSource, "RIFF", 100, EditStatus::Done, false,
         job::StepState::Failed, "write failed: the result is not a readable WAV file"},
        {"not a WAV file beside", job::Placement::BesideSource, "RIFF", 100, EditStatus::Done,
         false, job::StepState::Failed, "write failed: the result is not a readable WAV file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        job::StepRequest q = Request(c.Where, c.Result, c.Kept, c.Status);
        if (c.Stop) q.StopRequested = [this] { return calls > 0; };
        const job::StepOutcome out = job::RunFileStep(q);
        EXPECT_EQ(out.State, c.State);
        EXPECT_EQ(out.Reason, c.Reason);
        EXPECT_TRUE(out.ResultPath.empty());
        EXPECT_EQ(ReadBytes(source), "source");
        EXPECT_EQ(Entries(dir / "in"), 1u);
    }

    // A read-only source is refused before any work.
    fs::permissions(source, fs::perms::owner_read);
    calls = 0;
    const job::StepOutcome readOnly = job::RunFileStep(Request(job::Placement::OverSource));
    EXPECT_EQ(readOnly.Reason, "the source is read-only: not replaced");
    EXPECT_EQ(calls, 0);
}

TEST_F(FileStepTest, AnEmptyResultWrittenElsewhereIsKeptAndSaidToBeEmpty) {
    const job::StepOutcome out =
        job::RunFileStep(Request(job::Placement::OutputFolder, WavText(0), 0));
    EXPECT_EQ(out.State, job::StepState::Written);
    EXPECT_TRUE(out.EmptyResult());
    EXPECT_EQ(out.ResultPath, dir / "out/take.wav");
    EXPECT_EQ(out.WarningText(), kNoSoundWritten);
}

TEST_F(FileStepTest, SkipDoneLeavesACompleteResultAndReplacesACutOne) {
    job::StepRequest q = Request(job::Placement::OutputFolder);
    q.Target.IfExisting = job::Existing::SkipDone;
    WriteBytes(dir / "out/take.wav", WavText(100).substr(0, 60)); // cut short
    job::StepOutcome out = job::RunFileStep(q);
    EXPECT_EQ(out.State, job::StepState::Written);
    EXPECT_EQ(out.ResultPath, dir / "out/take.wav");
    EXPECT_EQ(ReadBytes(dir / "out/take.wav"), WavText(100));

    calls = 0;
    out = job::RunFileStep(q);
    EXPECT_EQ(out.State, job::StepState::AlreadyDone);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(Entries(dir / "out"), 1u);
}

TEST_F(FileStepTest, ASourceChangedDuringTheEditIsNotReplaced) {
    const std::string other = dir / "other.wav";
    struct Case {
        const char* Name;
        std::function<void()> Change;
    };
    const Case cases[] = {
        {"appended", [&] { std::ofstream(source, std::ios::app) << "more"; }},
        {"moved over",
         [&] {
             WriteBytes(other, "new version");
             fs::rename(other, source);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        job::StepRequest q = Request(job::Placement::OverSource);
        const job::EditFn edit = q.Edit;
        q.Edit = [&](const EditJob& pJob, const C_EditWave::Progress& pProgress) {
            c.Change();
            return edit(pJob, pProgress);
        };
        const std::string changed = (c.Change(), ReadBytes(source)); // what the change leaves
        WriteBytes(source, "source");
        const job::StepOutcome out = job::RunFileStep(q);
        EXPECT_EQ(out.State, job::StepState::Failed);
        EXPECT_EQ(out.Reason, "source changed during the edit: not replaced");
        EXPECT_EQ(ReadBytes(source), changed);
        EXPECT_EQ(Entries(dir / "in"), 1u);
        WriteBytes(source, "source");
    }
}

TEST_F(FileStepTest, SkipDoneFailsWhenTheResultsNameIsHeldBySomethingElse) {
    const std::string wanted = dir / "out/take.wav";
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { fs::create_directory(wanted); }, "result name taken by a folder"},
        {[&] { fs::create_symlink(dir / "nowhere.wav", wanted); }, "result name taken by a link"},
        {[&] { fs::create_symlink(source, wanted); }, "result name taken by a link"},
    };
    for (const auto& [hold, reason] : cases) {
        SCOPED_TRACE(reason);
        fs::remove_all(wanted);
        hold();
        job::StepRequest q = Request(job::Placement::OutputFolder);
        q.Target.IfExisting = job::Existing::SkipDone;
        for (int run = 0; run < 2; ++run) { // a re-run writes no copy either
            const job::StepOutcome out = job::RunFileStep(q);
            EXPECT_EQ(out.State, job::StepState::Failed);
            EXPECT_EQ(out.Reason, reason);
        }
        EXPECT_EQ(Entries(dir / "out"), 1u);
        EXPECT_EQ(ReadBytes(source), "source");
    }
}

TEST_F(FileStepTest, SkipDoneNeverTakesOverTheSourceReachedThroughALink) {
    // The output folder is the source's folder under another name; the source, with a tag
    // appended, does not read as a complete result.
    fs::remove(dir / "out");
    fs::create_directory_symlink(dir / "in", dir / "out");
    WriteBytes(source, WavText(100) + "ID3\x03");
    job::StepRequest q = Request(job::Placement::OutputFolder);
    q.Target.IfExisting = job::Existing::SkipDone;
    const job::StepOutcome out = job::RunFileStep(q);
    EXPECT_EQ(out.State, job::StepState::Failed);
    EXPECT_EQ(ReadBytes(source), WavText(100) + "ID3\x03");
    EXPECT_EQ(Entries(dir / "in"), 1u);
}

} // namespace
