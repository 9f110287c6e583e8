#include "services/job/FileStep.h"

#include "engine/FailureReason.h"
#include "engine/WaveMMIO.h"
#include "platform/core/FileSync.h"
#include "platform/core/SafeFiles.h"
#include "services/core/ResultFiles.h"
#include "services/job/CompleteWave.h"

#include <filesystem>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace job {

namespace {

// The files of one job: the hidden work file the engine writes and where it goes after.
struct Plan {
    std::string Work;              // empty for a level check
    std::string Replaces;          // the file the result replaces (links followed)
    std::string Wanted;            // the first name of the numbered series
    bool NumberAlways = false;     // beside the source: take01.wav on
    std::string Error;             // why the job cannot start; nothing was written
    platform::FileIdentity Source; // the source as it was before the job read it
};

// The folders of a mirrored result; several workers may make the same ones at once.
std::string MakeFolders(const std::string& pFolder) {
    std::error_code ec;
    fs::create_directories(pFolder, ec);
    if (ec && !fs::is_directory(pFolder))
        return "write failed: cannot create the folder " + pFolder + ": " + ec.message();
    return {};
}

// Everything that would keep the result from landing (a read-only source, a folder where no
// file can be made) is found here, before the edit.
Plan PlanFiles(const std::string& pSource, const FileTarget& pTarget) {
    Plan plan;
    if (const std::error_code ec = platform::ReadIdentity(pSource, plan.Source)) {
        plan.Error = "cannot read: " + ec.message();
        return plan;
    }
    std::string folder;
    switch (pTarget.Where) {
    case Placement::None:
        return plan;
    case Placement::OverSource: {
        const results::ReplaceTarget target = results::CheckReplaceable(pSource);
        if (!target.Error.empty()) {
            plan.Error = target.Error;
            return plan;
        }
        plan.Replaces = target.File;
        // Should replacing be dropped after the edit, the result goes beside the file.
        plan.Wanted = target.File;
        plan.NumberAlways = true;
        folder = target.Folder;
        break;
    }
    case Placement::OutputFolder:
        plan.Wanted = pTarget.Wanted;
        folder = results::FolderOf(pTarget.Wanted);
        if (pTarget.MakeFolders) plan.Error = MakeFolders(folder);
        if (!plan.Error.empty()) return plan;
        break;
    case Placement::BesideSource:
        plan.Wanted = pSource;
        plan.NumberAlways = true;
        folder = results::FolderOf(pSource);
        break;
    }
    const results::WorkFile work = results::StartWorkFile(folder);
    plan.Work = work.Path;
    if (!work.Error.empty()) plan.Error = "write failed: " + work.Error;
    return plan;
}

// A regular file under the wanted name that is not a whole WAV file: what a run that stopped
// short left there. It is taken over rather than kept beside a numbered result.
bool IncompleteAt(const std::string& pPath) {
    std::error_code ec;
    return fs::is_regular_file(fs::symlink_status(pPath, ec)) && !IsCompleteWave(pPath);
}

// The lock file of a result while it is written: short, whatever the result's name.
std::string LockPathFor(const std::string& pWanted) {
    return results::FolderOf(pWanted) + "/.quillan-lock-" +
           results::WorkFileTag(pWanted.substr(results::FolderOf(pWanted).size()), {});
}

// A lock file no run holds is taken and let go, which removes it; a held one stays.
void RemoveStaleLock(const std::string& pLockPath) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(pLockPath, ec))) platform::FileLock release(pLockPath);
}

StepOutcome Failed(StepOutcome pOut, std::string pReason) {
    pOut.State = StepState::Failed;
    pOut.Reason = std::move(pReason);
    pOut.Warnings.clear();
    pOut.ResultPath.clear();
    return pOut;
}

// Moves the checked work file into place and fills in where it went.
StepOutcome Place(StepOutcome pOut, const Plan& pPlan, const FileTarget& pTarget, bool pReplace) {
    if (pReplace) {
        // A recorder still appending, or a new version moved over the source: the result was
        // made from what is no longer there.
        platform::FileIdentity now;
        if (platform::ReadIdentity(pPlan.Replaces, now) || !now.Unchanged(pPlan.Source))
            return Failed(pOut, "source changed during the edit: not replaced");
        std::string error =
            results::KeepAndReplace(pPlan.Work, pPlan.Replaces, pTarget.Originals, pOut.Kept);
        if (error.empty()) {
            pOut.State = StepState::Replaced;
            pOut.ResultPath = pPlan.Replaces;
            return pOut;
        }
        if (pTarget.NotReplaced == IfNotReplaced::Discard) return Failed(pOut, error);
        const results::Claim claim = results::ClaimFreeName(pPlan.Work, pPlan.Wanted, true);
        if (claim.Path.empty()) return Failed(pOut, claim.Error);
        pOut.State = StepState::ReplaceFailed;
        pOut.Reason = error;
        pOut.ResultPath = claim.Path;
        return pOut;
    }
    if (pTarget.IfExisting == Existing::SkipDone && pPlan.Replaces.empty()) {
        // A re-run must find its result under its own name: a name held by something else
        // would have every run write another numbered copy.
        std::error_code ec;
        const fs::file_status held = fs::symlink_status(pPlan.Wanted, ec);
        if (fs::is_directory(held)) return Failed(pOut, "result name taken by a folder");
        if (fs::is_symlink(held)) return Failed(pOut, "result name taken by a link");
    }
    if (pTarget.IfExisting == Existing::SkipDone && pPlan.Replaces.empty() &&
        IncompleteAt(pPlan.Wanted)) {
        // The wanted name reached through a link or a mount may be the source itself.
        platform::FileIdentity wanted;
        if (!platform::ReadIdentity(pPlan.Wanted, wanted) && wanted.SameFile(pPlan.Source))
            return Failed(pOut, "the result's name " + pPlan.Wanted +
                                    " is the source itself: not replaced");
        std::error_code ec = platform::SyncFile(pPlan.Work);
        if (!ec) fs::rename(pPlan.Work, pPlan.Wanted, ec);
        if (ec)
            return Failed(pOut, "write failed: cannot move the result to " + pPlan.Wanted + ": " +
                                    ec.message());
        pOut.State = StepState::Written;
        pOut.ResultPath = pPlan.Wanted;
        return pOut;
    }
    const results::Claim claim =
        results::ClaimFreeName(pPlan.Work, pPlan.Wanted, pPlan.NumberAlways);
    if (claim.Path.empty()) return Failed(pOut, claim.Error);
    pOut.State = StepState::Written;
    pOut.ResultPath = claim.Path;
    return pOut;
}

// After a finished job: the no-sound rule, the result's own header, then its place.
StepOutcome Settle(StepOutcome pOut, const Plan& pPlan, const StepRequest& pRequest) {
    const bool replace =
        !pPlan.Replaces.empty() && (!pRequest.ReplaceStillWanted || pRequest.ReplaceStillWanted());
    if (pOut.Edit.KeptFrames == 0) {
        // Nothing above the start threshold, or an empty range: an empty file never takes a
        // source's place.
        const bool trimmed = pRequest.Job.Trim;
        if (replace) {
            pOut.State = StepState::NoSoundKept;
            pOut.Reason = trimmed ? kNoSoundKept : kEmptyRangeKept;
            return pOut;
        }
        pOut.Warnings.push_back(trimmed ? kNoSoundWritten : kEmptyRangeWritten);
    }
    if (!ReadWaveInfo(pPlan.Work).Valid)
        return Failed(pOut, "write failed: the result is not a readable WAV file");
    pOut = Place(std::move(pOut), pPlan, pRequest.Target, replace);
    if (!pOut.ResultPath.empty()) {
        std::error_code ec;
        const auto written = fs::file_size(pOut.ResultPath, ec);
        pOut.ResultBytes = ec ? 0 : int64_t(written);
    }
    return pOut;
}

// Names every metadata chunk the result does not carry, and why.
void AddLostMetadataNote(StepOutcome& pOut) {
    std::string text;
    for (const DroppedChunk& d : pOut.Edit.LostMetadata)
        text += (text.empty() ? "metadata not kept: " : ", ") + ChunkIdText(d.Id) + " (" +
                d.Reason + ")";
    if (!text.empty()) pOut.Warnings.push_back(text);
}

// The remark on a result that a limit (the sample peak, the true-peak ceiling) kept below its
// target.
void AddLimitNote(StepOutcome& pOut, const EditJob& pJob) {
    const std::string note =
        LimitNote(pOut.Edit.Limit, pJob.TruePeakCeilingDb, pOut.Edit.ReachedLevel, pJob.NormLevelDb,
                  NormModeInfo(pJob.Mode).ByLoudness);
    if (!note.empty()) pOut.Warnings.push_back(note);
}

} // namespace

std::string NameInFolder(const std::string& pFolder, const std::string& pSource) {
    std::string folder = pFolder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    const auto slash = pSource.rfind('/');
    return (folder == "/" ? folder : folder + "/") +
           (slash == std::string::npos ? pSource : pSource.substr(slash + 1));
}

void RecordReplaced(results::RunJournal& pJournal, StepOutcome& pOutcome) {
    if (pOutcome.State != StepState::Replaced || pOutcome.Kept.Path.empty()) return;
    const std::string error =
        pJournal.Add(pOutcome.ResultPath, pOutcome.Kept.Path, pOutcome.Kept.TrashInfo);
    if (!error.empty())
        pOutcome.Warnings.push_back(error + " (the original is at " + pOutcome.Kept.Path + ")");
}

std::string StepOutcome::WarningText() const {
    std::string text;
    for (const std::string& w : Warnings)
        text += (text.empty() ? "" : "; ") + w;
    return text;
}

StepOutcome RunFileStep(const StepRequest& pRequest) {
    StepOutcome out;
    const std::string& source = pRequest.Job.SourcePath;
    const FileTarget& target = pRequest.Target;
    auto started = [&](int64_t pBytes) {
        if (pRequest.Started) pRequest.Started(pBytes);
    };
    auto stopped = [&] { return pRequest.StopRequested && pRequest.StopRequested(); };

    const bool skipDone =
        target.Where == Placement::OutputFolder && target.IfExisting == Existing::SkipDone;
    auto alreadyDone = [&](const std::string& pPath, const char* pReason) {
        out.State = StepState::AlreadyDone;
        out.ResultPath = pPath;
        out.Reason = pReason;
        return out;
    };
    if (skipDone) {
        if (const auto existing = ExistingResult(source, target.Wanted)) {
            // A run that died here left its work files behind, and one killed between placing
            // its result and letting go of it, the result's lock file.
            results::RemoveStaleWorkFilesOnce(results::FolderOf(*existing));
            RemoveStaleLock(LockPathFor(target.Wanted));
            started(0);
            return alreadyDone(*existing, "");
        }
    }
    const std::string problem = SourceProblem(source, &out.SourceBytes);
    started(out.SourceBytes);
    if (!problem.empty()) return Failed(out, problem);

    const Plan plan = PlanFiles(source, target);
    if (!plan.Error.empty()) return Failed(out, plan.Error);
    // Another run (a retried task, a second worker on the shard) writing the same result holds
    // its lock: this one leaves the file to it. A result finished meanwhile counts as done.
    std::optional<platform::FileLock> lock;
    if (skipDone) {
        lock.emplace(LockPathFor(target.Wanted));
        if (lock->Result() == platform::FileLock::State::Busy)
            return alreadyDone(target.Wanted, "being written by another run");
        if (ExistingResult(source, target.Wanted)) return alreadyDone(target.Wanted, "");
    }

    EditJob job = pRequest.Job;
    job.TargetPath = plan.Work;
    const C_EditWave::Progress progress = [&](float pRate) {
        if (pRequest.Progress) pRequest.Progress(pRate);
        return stopped();
    };
    out.Edit = pRequest.Edit ? pRequest.Edit(job, progress) : C_EditWave().Edit(job, progress);
    out.Ran = true;

    if (stopped()) {
        results::RemoveIfPresent(plan.Work);
        out.State = StepState::Cancelled;
        out.Reason = "cancelled";
        return out;
    }
    if (!out.Edit.Done()) {
        // Explained before the partial output goes: a full disk is seen while it is full.
        const std::string folder =
            plan.Work.empty() ? results::FolderOf(source) : results::FolderOf(plan.Work);
        std::string reason = FailureReason(source, folder, out.Edit.Status, out.Edit.Detail);
        results::RemoveIfPresent(plan.Work);
        return Failed(out, reason);
    }
    if (target.Where == Placement::None) {
        out.State = StepState::Measured;
    } else {
        out = Settle(std::move(out), plan, pRequest);
        // Whatever did not land is gone: no work file outlives its job.
        if (out.State != StepState::Written && out.State != StepState::Replaced &&
            out.State != StepState::ReplaceFailed)
            results::RemoveIfPresent(plan.Work);
    }
    if (out.State != StepState::Failed && out.State != StepState::NoSoundKept) {
        AddLimitNote(out, job);
        AddLostMetadataNote(out);
    }
    return out;
}

} // namespace job
