#include "cli/BatchRunner.h"

#include "cli/Resume.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

namespace cli {

namespace {

// Shows a path the way the user gave it: without the "./" that WithFolder put in front.
std::string AsGiven(const std::string& pOriginal, const std::string& pPath) {
    if (pOriginal.find('/') == std::string::npos && pPath.rfind("./", 0) == 0)
        return pPath.substr(2);
    return pPath;
}

} // namespace

std::string WithFolder(const std::string& pPath) {
    if (pPath.empty() || pPath.find('/') != std::string::npos) return pPath;
    return "./" + pPath;
}

BatchRunner::BatchRunner(const Options& pOptions, const std::atomic<int>& pStopSignal,
                         job::EditFn pEdit)
    : m_Options(pOptions), m_Stop(pStopSignal), m_Edit(std::move(pEdit)) {}

size_t BatchRunner::WorkerCount() const {
    size_t wanted = m_Options.Jobs > 0 ? static_cast<size_t>(m_Options.Jobs)
                                       : std::max(1u, std::thread::hardware_concurrency());
    return std::max<size_t>(1, std::min(wanted, m_Options.Files.size()));
}

job::StepRequest BatchRunner::MakeRequest(const std::string& pSource) const {
    job::StepRequest q;
    q.Job = m_Options.Edit;
    q.Job.SourcePath = pSource;
    // A level check measures only; --json measures while processing.
    q.Job.Check = m_Options.Check  ? LevelCheck::MeasureOnly
                  : m_Options.Json ? LevelCheck::Store
                                   : LevelCheck::Off;
    job::FileTarget& t = q.Target;
    if (m_Options.Check) {
        t.Where = job::Placement::None;
    } else if (m_Options.Output == OutputMode::Overwrite) {
        t.Where = job::Placement::OverSource;
        t.Originals = m_Options.Originals;
    } else if (m_Options.Output == OutputMode::Folder) {
        t.Where = job::Placement::OutputFolder;
        t.Wanted = FolderResultPath(m_Options, pSource).value_or(std::string());
        t.MakeFolders = !m_Options.MirrorRoot.empty();
        if (m_Options.SkipExisting) t.IfExisting = job::Existing::SkipDone;
    }
    q.StopRequested = [this] { return Stopped(); };
    q.Edit = m_Edit;
    return q;
}

FileResult BatchRunner::ProcessFile(size_t pIndex, BatchObserver& pObserver) {
    return ProcessSource(m_Options.Files[pIndex], pIndex, pObserver);
}

FileResult BatchRunner::ProcessSource(const std::string& pSource, size_t pIndex,
                                      BatchObserver& pObserver) {
    job::StepRequest q = MakeRequest(WithFolder(pSource));
    if (q.Target.Where == job::Placement::OutputFolder && q.Target.Wanted.empty()) {
        pObserver.FileStarted(pIndex, 0);
        FileResult r;
        r.Source = pSource;
        r.Started = true;
        r.Error = "not below the --mirror folder " + m_Options.MirrorRoot;
        return r;
    }
    q.Started = [&](int64_t pBytes) { pObserver.FileStarted(pIndex, pBytes); };
    q.Progress = [&](float pRate) { pObserver.FileProgress(pIndex, pRate); };
    return ResultOf(pSource, job::RunFileStep(q));
}

FileResult BatchRunner::ResultOf(const std::string& pSource, job::StepOutcome out) {
    job::RecordReplaced(m_Journal, out);
    FileResult r;
    r.Source = pSource;
    r.Started = true;
    if (out.Ran) r.BytesRead = out.SourceBytes;
    r.Warning = out.WarningText();
    switch (out.State) {
    case job::StepState::AlreadyDone:
        r.Skipped = true;
        [[fallthrough]];
    case job::StepState::Written:
    case job::StepState::ReplaceFailed:
        r.Target = AsGiven(r.Source, out.ResultPath);
        break;
    case job::StepState::Replaced:
        // A replaced source is shown as given, not as the file its links led to.
        r.Target = r.Source;
        break;
    case job::StepState::Measured:
        break;
    case job::StepState::Cancelled:
        r.Cancelled = true;
        [[fallthrough]];
    case job::StepState::NoSoundKept:
    case job::StepState::Failed:
        r.Error = out.Reason;
        r.Warning.clear();
        return r;
    }
    r.Result = 1;
    r.BytesWritten = out.ResultBytes;
    if (!out.Ran) return r;
    r.HasLevels = out.Edit.Levels.has_value();
    if (out.Edit.Levels) r.Levels = *out.Edit.Levels;
    r.Loudness = out.Edit.Loudness;
    r.SourceLoudness = out.Edit.SourceLoudness;
    if (!m_Options.Check) r.GainDb = out.Edit.GainDb;
    r.Limit = out.Edit.Limit;
    return r;
}

namespace {

// For each file, the index of the nearest earlier entry naming the same file, or -1. With
// --overwrite such a file is edited again only after the earlier job has replaced it, as a
// run one file at a time would do; two jobs never work on the same source at once.
std::vector<long> EarlierSameFile(const std::vector<std::string>& pFiles) {
    std::vector<long> earlier(pFiles.size(), -1);
    std::map<std::string, long> last;
    for (size_t i = 0; i < pFiles.size(); ++i) {
        std::error_code ec;
        std::string key = std::filesystem::weakly_canonical(pFiles[i], ec).string();
        if (ec) key = pFiles[i];
        auto [it, inserted] = last.emplace(key, static_cast<long>(i));
        if (!inserted) {
            earlier[i] = it->second;
            it->second = static_cast<long>(i);
        }
    }
    return earlier;
}

} // namespace

void BatchRunner::ForEachFile(bool pOrdered, const std::function<void(size_t)>& pOne) {
    const size_t count = m_Options.Files.size();
    const std::vector<long> earlier =
        pOrdered && m_Options.Output == OutputMode::Overwrite && !m_Options.Check
            ? EarlierSameFile(m_Options.Files)
            : std::vector<long>(count, -1);
    std::vector<bool> finished(count, false);
    std::mutex finishedMutex;
    std::condition_variable finishedChanged;
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (;;) {
            if (Stopped()) return;
            const size_t i = next.fetch_add(1);
            if (i >= count) return;
            if (earlier[i] >= 0) {
                // The earlier entry was handed out before this one, so it is in hand or done.
                std::unique_lock lock(finishedMutex);
                finishedChanged.wait(lock, [&] { return finished[earlier[i]]; });
                if (Stopped()) {
                    // Not started; whoever waits for this entry may go on.
                    finished[i] = true;
                    finishedChanged.notify_all();
                    return;
                }
            }
            pOne(i);
            {
                std::lock_guard lock(finishedMutex);
                finished[i] = true;
            }
            finishedChanged.notify_all();
        }
    };
    std::vector<std::thread> workers;
    const size_t n = WorkerCount();
    for (size_t w = 1; w < n; ++w)
        workers.emplace_back(work);
    work();
    for (auto& t : workers)
        t.join();
}

std::vector<FileResult> BatchRunner::Run(BatchObserver& pObserver) {
    if (m_Options.Album != AlbumBy::None) return RunAlbum(pObserver);
    const size_t count = m_Options.Files.size();
    std::vector<FileResult> results(count);
    for (size_t i = 0; i < count; ++i)
        results[i].Source = m_Options.Files[i];
    ForEachFile(true, [&](size_t i) {
        const auto start = std::chrono::steady_clock::now();
        try {
            results[i] = ProcessFile(i, pObserver);
        } catch (const std::exception& e) {
            results[i].Started = true;
            results[i].Error = std::string("internal error: ") + e.what();
        }
        results[i].Seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        pObserver.FileFinished(i, results[i]);
    });
    return results;
}

namespace {

// A file's album fields from its set.
void AddAlbumFields(FileResult& pR, const AlbumSet& pSet, const job::SetFigures& pFigures) {
    pR.Album = pSet.Label;
    if (!pFigures.Levels) return;
    pR.AlbumGainDb = pFigures.GainDb;
    pR.AlbumLevel = pFigures.Level;
    pR.AlbumLufs = pFigures.IntegratedLufs;
}

} // namespace

std::vector<FileResult> BatchRunner::RunAlbum(BatchObserver& pObserver) {
    const size_t count = m_Options.Files.size();
    const std::vector<AlbumSet> sets = AlbumSets(m_Options.Files, m_Options.Album);
    std::vector<job::SetFile> files(count);
    std::vector<size_t> setOf(count);
    for (size_t s = 0; s < sets.size(); ++s)
        for (size_t i : sets[s].Files) {
            files[i] = {s, MakeRequest(WithFolder(m_Options.Files[i]))};
            setOf[i] = s;
        }
    std::vector<FileResult> results(count);
    // The time of a file: its measuring and its writing, not the wait between the phases.
    std::vector<double> seconds(count, 0.0);
    std::vector<std::chrono::steady_clock::time_point> begun(count);
    const auto since = [](std::chrono::steady_clock::time_point pStart) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - pStart).count();
    };
    for (size_t i = 0; i < count; ++i)
        results[i].Source = m_Options.Files[i];

    job::SetRunHooks hooks;
    hooks.ForEach = [&](job::SetPhase pPhase, size_t, const std::function<void(size_t)>& pOne) {
        ForEachFile(pPhase == job::SetPhase::Write, [&](size_t i) {
            begun[i] = std::chrono::steady_clock::now();
            pOne(i);
            if (pPhase == job::SetPhase::Measure) seconds[i] = since(begun[i]);
        });
    };
    hooks.PhaseStarted = [&](job::SetPhase pPhase) { pObserver.PhaseStarted(pPhase); };
    hooks.FileStarted = [&](job::SetPhase, size_t i, int64_t pBytes) {
        pObserver.FileStarted(i, pBytes);
    };
    hooks.FileProgress = [&](job::SetPhase, size_t i, float pRate) {
        pObserver.FileProgress(i, pRate);
    };
    hooks.Stopped = [this] { return Stopped(); };
    std::vector<job::SetFigures> figures;
    hooks.SetsPooled = [&](const std::vector<job::SetFigures>& pSets) {
        figures = pSets;
        for (size_t s = 0; s < sets.size(); ++s) {
            std::vector<std::string> leftOut;
            for (size_t k : figures[s].LeftOut)
                leftOut.push_back(m_Options.Files[sets[s].Files[k]]);
            pObserver.SetPooled(sets[s], figures[s], leftOut);
        }
    };
    hooks.FileDone = [&](size_t i, const job::StepOutcome& pOut) {
        FileResult& r = results[i];
        try {
            r = ResultOf(m_Options.Files[i], pOut);
        } catch (const std::exception& e) {
            r.Started = true;
            r.Error = std::string("internal error: ") + e.what();
        }
        AddAlbumFields(r, sets[setOf[i]], figures[setOf[i]]);
        r.Seconds = seconds[i] + since(begun[i]);
        pObserver.FileFinished(i, r);
    };
    job::RunSets(std::move(files), sets.size(), m_Options.AlbumStrict, hooks);
    return results;
}

} // namespace cli
