#include "cli/BatchRunner.h"

#include "cli/Targets.h"
#include "engine/WaveMMIO.h"
#include "services/core/ResultFiles.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

namespace cli {

namespace {

// Shows a path the way the user gave it: without the "./" that WithFolder put in front.
std::string AsGiven(const std::string& original, const std::string& path) {
    if (original.find('/') == std::string::npos && path.rfind("./", 0) == 0) return path.substr(2);
    return path;
}

} // namespace

std::string SourceProblem(const std::string& path, int64_t* bytes) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) return "missing";
    if (ec) return "cannot read: " + ec.message();
    if (!std::filesystem::is_regular_file(status)) return "not a regular file";
    if (bytes) {
        const auto size = std::filesystem::file_size(path, ec);
        *bytes = ec ? 0 : static_cast<int64_t>(size);
    }
    return {};
}

std::string WithFolder(const std::string& path) {
    if (path.empty() || path.find('/') != std::string::npos) return path;
    return "./" + path;
}

BatchRunner::BatchRunner(const Options& options, EditorFactory makeEditor, FailureExplainer explain,
                         const std::atomic<int>& stopSignal)
    : m_options(options), m_makeEditor(std::move(makeEditor)), m_explain(std::move(explain)),
      m_stop(stopSignal) {}

size_t BatchRunner::WorkerCount() const {
    size_t wanted = m_options.jobs > 0 ? static_cast<size_t>(m_options.jobs)
                                       : std::max(1u, std::thread::hardware_concurrency());
    return std::max<size_t>(1, std::min(wanted, m_options.files.size()));
}

EditJob BatchRunner::MakeJob(const std::string& source) const {
    EditJob job = m_options.edit;
    job.SourcePath = source;
    // A level check measures only; --json measures while processing.
    job.Check = m_options.check  ? LevelCheck::MeasureOnly
                : m_options.json ? LevelCheck::Store
                                 : LevelCheck::Off;
    return job;
}

FileResult BatchRunner::ProcessFile(size_t index, Editor& editor, BatchObserver& observer) {
    FileResult r;
    r.source = m_options.files[index];
    r.started = true;
    const std::string source = WithFolder(r.source);
    int64_t bytes = 0;
    const std::string problem = SourceProblem(source, &bytes);
    observer.FileStarted(index, bytes);
    if (!problem.empty()) {
        r.error = problem;
        return r;
    }

    const JobFiles files = PlanJobFiles(m_options, source);
    if (!files.error.empty()) {
        r.error = files.error;
        return r;
    }
    EditJob job = MakeJob(source);
    job.TargetPath = files.workPath;
    EditOutcome outcome = editor.Edit(job, [&](float rate) {
        observer.FileProgress(index, rate);
        return Stopped();
    });

    if (Stopped()) {
        results::RemoveIfPresent(files.workPath);
        r.error = "cancelled";
        return r;
    }
    if (outcome.result != 1) {
        // Explained before the partial output goes: a full disk is seen while it is full.
        const std::string folder =
            files.workPath.empty() ? results::FolderOf(source) : results::FolderOf(files.workPath);
        r.error = m_explain ? m_explain(source, folder, outcome) : "edit failed";
        results::RemoveIfPresent(files.workPath);
        return r;
    }
    if (!m_options.check) {
        if (outcome.keptFrames == 0) {
            // Nothing above the start threshold: an empty file never takes a source's place.
            if (!files.replaces.empty()) {
                results::RemoveIfPresent(files.workPath);
                r.error = kNoSoundKept;
                return r;
            }
            r.warning = kNoSoundWritten;
        }
        if (!ReadWaveInfo(files.workPath).Valid) {
            results::RemoveIfPresent(files.workPath);
            r.error = "write failed: the result is not a readable WAV file";
            return r;
        }
        std::string finalPath;
        if (std::string error = PlaceResult(files, finalPath); !error.empty()) {
            results::RemoveIfPresent(files.workPath);
            r.error = error;
            r.warning.clear();
            return r;
        }
        // A replaced source is shown as given, not as the file its links led to.
        r.target = files.replaces.empty() ? AsGiven(r.source, finalPath) : r.source;
    }
    r.result = 1;
    r.hasLevels = job.Check != LevelCheck::Off;
    r.levels = outcome.levels;
    return r;
}

namespace {

// For each file, the index of the nearest earlier entry naming the same file, or -1. With
// --overwrite such a file is edited again only after the earlier job has replaced it, as a
// run one file at a time would do; two jobs never work on the same source at once.
std::vector<long> EarlierSameFile(const std::vector<std::string>& files) {
    std::vector<long> earlier(files.size(), -1);
    std::map<std::string, long> last;
    for (size_t i = 0; i < files.size(); ++i) {
        std::error_code ec;
        std::string key = std::filesystem::weakly_canonical(files[i], ec).string();
        if (ec) key = files[i];
        auto [it, inserted] = last.emplace(key, static_cast<long>(i));
        if (!inserted) {
            earlier[i] = it->second;
            it->second = static_cast<long>(i);
        }
    }
    return earlier;
}

} // namespace

std::vector<FileResult> BatchRunner::Run(BatchObserver& observer) {
    const size_t count = m_options.files.size();
    std::vector<FileResult> results(count);
    for (size_t i = 0; i < count; ++i)
        results[i].source = m_options.files[i];
    const std::vector<long> earlier = m_options.output == OutputMode::Overwrite && !m_options.check
                                          ? EarlierSameFile(m_options.files)
                                          : std::vector<long>(count, -1);
    std::vector<bool> finished(count, false);
    std::mutex finishedMutex;
    std::condition_variable finishedChanged;
    std::atomic<size_t> next{0};
    auto work = [&] {
        std::unique_ptr<Editor> editor = m_makeEditor();
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
            try {
                results[i] = ProcessFile(i, *editor, observer);
            } catch (const std::exception& e) {
                results[i].started = true;
                results[i].error = std::string("internal error: ") + e.what();
            }
            observer.FileFinished(i, results[i]);
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
