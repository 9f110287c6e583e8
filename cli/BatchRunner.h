#pragma once
// Runs the edit jobs of one quillan-batch call on a pool of worker threads.

#include "cli/Options.h"
#include "engine/C_EditWave.h"
#include "engine/Loudness.h"
#include "services/core/RunJournal.h"
#include "services/job/FileStep.h"
#include "services/job/SetRun.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct FileResult {
    std::string Source;
    std::string Target; // where the result now is; empty when nothing was written
    int32_t Result = 0;
    std::string Error;   // empty on success
    std::string Warning; // a remark on a job that succeeded (e.g. its result holds no audio)
    bool HasLevels = false;
    EditLevels Levels;
    std::optional<LoudnessResult> Loudness;       // of what a finished job wrote (or checked)
    std::optional<LoudnessResult> SourceLoudness; // of the range before the gain
    std::optional<double> GainDb;                 // of a finished job that wrote a result
    GainLimit Limit = GainLimit::None;            // what kept the result from its target
    bool Started = false;     // false when the batch was stopped before this file
    bool Skipped = false;     // --skip-existing found its complete result (Target)
    bool Cancelled = false;   // stopped by a signal while in hand: neither done nor failed
    double Seconds = 0.0;     // time the file took
    int64_t BytesRead = 0;    // the source's size, when the engine read it
    int64_t BytesWritten = 0; // the size of the result written
    // Album mode: the file's set, and the set's gain, level (LUFS for loudness, else dB of
    // full scale) and loudness; the figures are empty when the set was not written.
    std::optional<std::string> Album;
    std::optional<double> AlbumGainDb, AlbumLevel, AlbumLufs;
};

// Receives the course of the batch; called from the worker threads.
class BatchObserver {
  public:
    virtual ~BatchObserver() = default;
    virtual void FileStarted(size_t pIndex, int64_t pSourceBytes) = 0;
    virtual void FileProgress(size_t pIndex, float pRate) = 0;
    virtual void FileFinished(size_t pIndex, const FileResult& pResult) = 0;
    // Album mode: a phase begins (measuring every file, then writing every file).
    virtual void PhaseStarted(job::SetPhase) {}
    // Album mode: a set was measured and pooled (after the measure phase).
    virtual void SetPooled(const AlbumSet&, const job::SetFigures&,
                           const std::vector<std::string>& /*pLeftOut*/) {}
};

class BatchRunner {
  public:
    // stopSignal: a non-zero value (the signal number) cancels the jobs in hand and starts
    // no more.
    // pEdit stands in for the engine in tests; empty: the engine.
    BatchRunner(const Options& pOptions, const std::atomic<int>& pStopSignal,
                job::EditFn pEdit = {});

    // Edits every file of the options; results in the order of the files.
    std::vector<FileResult> Run(BatchObserver& pObserver);

    // Number of worker threads a run uses.
    size_t WorkerCount() const;

    // One source through the per-file step, reported to the observer under pIndex.
    FileResult ProcessSource(const std::string& pSource, size_t pIndex, BatchObserver& pObserver);
    // The journal of the replaced files' originals; empty when none was kept.
    const std::string& JournalPath() const { return m_Journal.Path(); }

  private:
    FileResult ProcessFile(size_t pIndex, BatchObserver& pObserver);
    job::StepRequest MakeRequest(const std::string& pSource) const;
    // What a step did to a source, as the run reports it.
    FileResult ResultOf(const std::string& pSource, job::StepOutcome pOut);
    // Runs pOne(i) for every file on the worker threads; with pOrdered, a file named twice is
    // taken again only after its earlier entry is done. Stops handing out files once stopped.
    void ForEachFile(bool pOrdered, const std::function<void(size_t)>& pOne);
    // Album mode: the two phases over the sets of the files.
    std::vector<FileResult> RunAlbum(BatchObserver& pObserver);
    bool Stopped() const { return m_Stop.load() != 0; }

    const Options& m_Options;
    const std::atomic<int>& m_Stop;
    job::EditFn m_Edit;
    results::RunJournal m_Journal;
};

// The path as the path helpers need it: a bare file name gets a "./" in front.
std::string WithFolder(const std::string& pPath);

} // namespace cli
