#include "services/job/SetRun.h"

#include "engine/FailureReason.h"
#include "services/core/ResultFiles.h"

#include <utility>

namespace job {

MeasureOutcome MeasureSetFile(const StepRequest& pRequest) {
    MeasureOutcome m;
    m.Ran = true;
    const std::string& source = pRequest.Job.SourcePath;
    const std::string problem = SourceProblem(source, &m.SourceBytes);
    if (pRequest.Started) pRequest.Started(m.SourceBytes);
    if (!problem.empty()) {
        m.Reason = problem;
        return m;
    }
    auto stopped = [&] { return pRequest.StopRequested && pRequest.StopRequested(); };
    const C_EditWave::Progress progress = [&](float pRate) {
        if (pRequest.Progress) pRequest.Progress(pRate);
        return stopped();
    };
    EditJob job = pRequest.Job;
    job.TargetPath.clear();
    m.Edit =
        pRequest.Measure ? pRequest.Measure(job, progress) : C_EditWave().Measure(job, progress);
    if (stopped()) {
        m.Reason = "cancelled";
    } else if (!m.Edit.Done() || !m.Edit.Measured) {
        m.Reason = FailureReason(source, results::FolderOf(source), m.Edit.Status, m.Edit.Detail);
    } else {
        m.Measured = true;
    }
    return m;
}

SetFigures PoolSet(const EditJob& pJob, const std::vector<const MeasureOutcome*>& pFiles,
                   bool pStrict, const std::vector<std::string>& pNames) {
    SetFigures set;
    std::vector<const SetLevels*> levels;
    std::string failed;
    for (size_t i = 0; i < pFiles.size(); ++i) {
        if (pFiles[i]->Measured) {
            levels.push_back(&pFiles[i]->Edit.Measured->Levels);
            continue;
        }
        set.LeftOut.push_back(i);
        failed += (failed.empty() ? "" : ", ") + (i < pNames.size() ? pNames[i] : std::string());
    }
    if (pStrict && !set.LeftOut.empty()) {
        set.Error = "not written: its set has a file that could not be measured (" + failed + ")";
        return set;
    }
    if (levels.empty()) return set;
    const auto pooled = std::make_shared<const SetLevels>(PoolSetLevels(levels));
    set.Levels = pooled;
    set.Files = size_t(pooled->Files);
    set.GainDb = SetGainDb(pJob, *pooled);
    set.Level = SetLevelDb(pJob, *pooled);
    if (pooled->HasLoudness) set.IntegratedLufs = pooled->IntegratedLufs;
    return set;
}

StepOutcome WriteSetFile(StepRequest pRequest, const MeasureOutcome& pMeasured,
                         const SetFigures& pSet) {
    StepOutcome out;
    out.SourceBytes = pMeasured.SourceBytes;
    if (!pMeasured.Measured || !pSet.Error.empty() || !pSet.Levels) {
        out.State = StepState::Failed;
        out.Reason = !pMeasured.Measured ? pMeasured.Reason : pSet.Error;
        if (out.Reason == "cancelled") out.State = StepState::Cancelled;
        return out;
    }
    if (pRequest.Target.Where == Placement::None) {
        // A level check: the measure is the outcome.
        if (pRequest.Started) pRequest.Started(pMeasured.SourceBytes);
        out.State = StepState::Measured;
        out.Edit = pMeasured.Edit;
        out.Ran = true;
        return out;
    }
    pRequest.Job.Measured = pMeasured.Edit.Measured;
    pRequest.Job.SetLevel = pSet.Levels;
    return RunFileStep(pRequest);
}

namespace {

// The request of file pIndex with its callbacks reporting to the hooks under pPhase.
StepRequest PhaseRequest(const SetFile& pFile, size_t pIndex, SetPhase pPhase,
                         const SetRunHooks& pHooks) {
    StepRequest q = pFile.Request;
    q.Started = [&pHooks, pIndex, pPhase](int64_t pBytes) {
        if (pHooks.FileStarted) pHooks.FileStarted(pPhase, pIndex, pBytes);
    };
    q.Progress = [&pHooks, pIndex, pPhase](float pRate) {
        if (pHooks.FileProgress) pHooks.FileProgress(pPhase, pIndex, pRate);
    };
    return q;
}

} // namespace

SetRunResult RunSets(std::vector<SetFile> pFiles, size_t pSetCount, bool pStrict,
                     const SetRunHooks& pHooks) {
    const size_t count = pFiles.size();
    SetRunResult r;
    r.Sets.resize(pSetCount);
    r.Measures.resize(count);
    r.Steps.resize(count);
    auto stopped = [&] { return pHooks.Stopped && pHooks.Stopped(); };
    auto phase = [&](SetPhase pPhase, const std::function<void(size_t)>& pOne) {
        if (pHooks.PhaseStarted) pHooks.PhaseStarted(pPhase);
        const std::function<void(size_t)> guarded = [&](size_t pIndex) {
            if (!stopped()) pOne(pIndex);
        };
        if (pHooks.ForEach) {
            pHooks.ForEach(pPhase, count, guarded);
            return;
        }
        for (size_t i = 0; i < count; ++i)
            guarded(i);
    };

    phase(SetPhase::Measure, [&](size_t pIndex) {
        r.Measures[pIndex] =
            MeasureSetFile(PhaseRequest(pFiles[pIndex], pIndex, SetPhase::Measure, pHooks));
    });
    if (stopped()) return r;

    for (size_t s = 0; s < pSetCount; ++s) {
        std::vector<const MeasureOutcome*> members;
        std::vector<std::string> names;
        const EditJob* job = nullptr;
        for (size_t i = 0; i < count; ++i) {
            if (pFiles[i].Set != s) continue;
            members.push_back(&r.Measures[i]);
            names.push_back(pFiles[i].Request.Job.SourcePath);
            if (!job) job = &pFiles[i].Request.Job;
        }
        if (job) r.Sets[s] = PoolSet(*job, members, pStrict, names);
    }
    if (pHooks.SetsPooled) pHooks.SetsPooled(r.Sets);

    phase(SetPhase::Write, [&](size_t pIndex) {
        if (!r.Measures[pIndex].Ran) return;
        const SetFile& file = pFiles[pIndex];
        r.Steps[pIndex] = WriteSetFile(PhaseRequest(file, pIndex, SetPhase::Write, pHooks),
                                       r.Measures[pIndex], r.Sets[file.Set]);
        if (pHooks.FileDone) pHooks.FileDone(pIndex, *r.Steps[pIndex]);
    });
    return r;
}

} // namespace job
