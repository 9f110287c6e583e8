#include "cli/BatchRunner.h"

#include "cli/Resume.h"
#include "cli/Targets.h"
#include "engine/WaveMMIO.h"
#include "services/core/ResultFiles.h"

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

std::string LimitWarning(const EditJob& pJob, const EditResult& pOutcome) {
    return LimitNote(pOutcome.Limit, pJob.TruePeakCeilingDb, pOutcome.ReachedLevel,
                     pJob.NormLevelDb, NormModeInfo(pJob.Mode).ByLoudness);
}

BatchRunner::BatchRunner(const Options& pOptions, EditorFactory pMakeEditor,
                         FailureExplainer pExplain, const std::atomic<int>& pStopSignal)
    : m_Options(pOptions), m_MakeEditor(std::move(pMakeEditor)), m_Explain(std::move(pExplain)),
      m_Stop(pStopSignal) {}

size_t BatchRunner::WorkerCount() const {
    size_t wanted = m_Options.Jobs > 0 ? static_cast<size_t>(m_Options.Jobs)
                                       : std::max(1u, std::thread::hardware_concurrency());
    return std::max<size_t>(1, std::min(wanted, m_Options.Files.size()));
}

EditJob BatchRunner::MakeJob(const std::string& pSource) const {
    EditJob job = m_Options.Edit;
    job.SourcePath = pSource;
    // A level check measures only; --json measures while processing.
    job.Check = m_Options.Check  ? LevelCheck::MeasureOnly
                : m_Options.Json ? LevelCheck::Store
                                 : LevelCheck::Off;
    return job;
}

FileResult BatchRunner::ProcessFile(size_t index, Editor& pEditor, BatchObserver& pObserver) {
    FileResult r;
    r.Source = m_Options.Files[index];
    r.Started = true;
    const std::string source = WithFolder(r.Source);
    if (const auto existing = ExistingResult(m_Options, source)) {
        // A run that died here left its work files behind.
        results::RemoveStaleWorkFilesOnce(results::FolderOf(*existing));
        pObserver.FileStarted(index, 0);
        r.Result = 1;
        r.Skipped = true;
        r.Target = AsGiven(r.Source, *existing);
        return r;
    }
    int64_t bytes = 0;
    const std::string problem = SourceProblem(source, &bytes);
    pObserver.FileStarted(index, bytes);
    if (!problem.empty()) {
        r.Error = problem;
        return r;
    }

    const JobFiles files = PlanJobFiles(m_Options, source);
    if (!files.Error.empty()) {
        r.Error = files.Error;
        return r;
    }
    EditJob job = MakeJob(source);
    job.TargetPath = files.WorkPath;
    EditResult outcome = pEditor.Edit(job, [&](float pRate) {
        pObserver.FileProgress(index, pRate);
        return Stopped();
    });
    r.BytesRead = bytes;

    if (Stopped()) {
        results::RemoveIfPresent(files.WorkPath);
        r.Error = "cancelled";
        return r;
    }
    if (!outcome.Done()) {
        // Explained before the partial output goes: a full disk is seen while it is full.
        const std::string folder =
            files.WorkPath.empty() ? results::FolderOf(source) : results::FolderOf(files.WorkPath);
        r.Error = m_Explain ? m_Explain(source, folder, outcome) : "edit failed";
        results::RemoveIfPresent(files.WorkPath);
        return r;
    }
    if (!m_Options.Check) {
        if (outcome.KeptFrames == 0) {
            // Nothing above the start threshold: an empty file never takes a source's place.
            if (!files.Replaces.empty()) {
                results::RemoveIfPresent(files.WorkPath);
                r.Error = kNoSoundKept;
                return r;
            }
            r.Warning = kNoSoundWritten;
        }
        if (!ReadWaveInfo(files.WorkPath).Valid) {
            results::RemoveIfPresent(files.WorkPath);
            r.Error = "write failed: the result is not a readable WAV file";
            return r;
        }
        std::string finalPath;
        if (std::string error = PlaceResult(files, finalPath); !error.empty()) {
            results::RemoveIfPresent(files.WorkPath);
            r.Error = error;
            r.Warning.clear();
            return r;
        }
        // A replaced source is shown as given, not as the file its links led to.
        r.Target = files.Replaces.empty() ? AsGiven(r.Source, finalPath) : r.Source;
        std::error_code ec;
        const auto written = std::filesystem::file_size(finalPath, ec);
        r.BytesWritten = ec ? 0 : static_cast<int64_t>(written);
    }
    if (const std::string limit = LimitWarning(job, outcome); !limit.empty())
        r.Warning = r.Warning.empty() ? limit : r.Warning + "; " + limit;
    r.Result = 1;
    r.HasLevels = outcome.Levels.has_value();
    if (outcome.Levels) r.Levels = *outcome.Levels;
    r.Loudness = outcome.Loudness;
    r.SourceLoudness = outcome.SourceLoudness;
    if (!m_Options.Check) r.GainDb = outcome.GainDb;
    r.Limit = outcome.Limit;
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

std::vector<FileResult> BatchRunner::Run(BatchObserver& pObserver) {
    const size_t count = m_Options.Files.size();
    std::vector<FileResult> results(count);
    for (size_t i = 0; i < count; ++i)
        results[i].Source = m_Options.Files[i];
    const std::vector<long> earlier = m_Options.Output == OutputMode::Overwrite && !m_Options.Check
                                          ? EarlierSameFile(m_Options.Files)
                                          : std::vector<long>(count, -1);
    std::vector<bool> finished(count, false);
    std::mutex finishedMutex;
    std::condition_variable finishedChanged;
    std::atomic<size_t> next{0};
    auto work = [&] {
        std::unique_ptr<Editor> editor = m_MakeEditor();
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
            const auto start = std::chrono::steady_clock::now();
            try {
                results[i] = ProcessFile(i, *editor, pObserver);
            } catch (const std::exception& e) {
                results[i].Started = true;
                results[i].Error = std::string("internal error: ") + e.what();
            }
            results[i].Seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            pObserver.FileFinished(i, results[i]);
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
    return results;
}

} // namespace cli
