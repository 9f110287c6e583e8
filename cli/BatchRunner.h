#pragma once
// Runs the edit jobs of one quillan-batch call on a pool of worker threads.

#include "cli/Options.h"
#include "engine/EditStatus.h"
#include "engine/FailureReason.h"
#include "engine/Loudness.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// The result properties of a level check.
struct Levels {
    int32_t MaxPeak = -1;
    int32_t MaxRms = -1;
    int32_t NormRms = -1;
    float MaxPeakDb = 0.0f;
    float MaxRmsDb = 0.0f;
    float NormRmsDb = 0.0f;
};

struct EditOutcome {
    int32_t Result = 0;
    cli::Levels Levels;
    EditStatus Status = EditStatus::InternalError;
    std::string Detail;     // the engine's detail for the status, may be empty
    int64_t KeptFrames = 0; // source frames written; 0 when the result holds no audio
    std::optional<LoudnessResult> Loudness; // when the job measured it
    double GainDb = 0.0;                    // normalisation gain of a written result
    bool CeilingLowered = false;            // the true-peak ceiling held the gain down
};

// Called after every block with the fraction done; returns true to cancel the job.
using ProgressFn = std::function<bool(float pRate)>;

// The edit engine as the runner sees it; one object per worker thread.
class Editor {
  public:
    virtual ~Editor() = default;
    // One job; its target path is empty when it only measures.
    virtual EditOutcome Edit(const EditJob& pJob, const ProgressFn& pProgress) = 0;
};

using EditorFactory = std::function<std::unique_ptr<Editor>()>;

// Reason a job the engine refused failed, for the error line ("missing", "not a WAV file
// it can edit: ...", ...). targetFolder is where the result was going.
using FailureExplainer = std::function<std::string(
    const std::string& pSource, const std::string& pTargetFolder, const EditOutcome& pOutcome)>;

struct FileResult {
    std::string Source;
    std::string Target; // where the result now is; empty when nothing was written
    int32_t Result = 0;
    std::string Error;   // empty on success
    std::string Warning; // a remark on a job that succeeded (e.g. its result holds no audio)
    bool HasLevels = false;
    cli::Levels Levels;
    std::optional<LoudnessResult> Loudness; // of a finished job that measured it
    std::optional<double> GainDb;           // of a finished job that wrote a result
    bool CeilingLowered = false;
    bool Started = false;     // false when the batch was stopped before this file
    bool Skipped = false;     // --skip-existing found its complete result (Target)
    double Seconds = 0.0;     // time the file took
    int64_t BytesRead = 0;    // the source's size, when the engine read it
    int64_t BytesWritten = 0; // the size of the result written
};

// What is said of a loudness result the true-peak ceiling kept below its target.
std::string CeilingWarning(const EditJob& pJob, const EditOutcome& pOutcome);

// Receives the course of the batch; called from the worker threads.
class BatchObserver {
  public:
    virtual ~BatchObserver() = default;
    virtual void FileStarted(size_t pIndex, int64_t pSourceBytes) = 0;
    virtual void FileProgress(size_t pIndex, float pRate) = 0;
    virtual void FileFinished(size_t pIndex, const FileResult& pResult) = 0;
};

class BatchRunner {
  public:
    // stopSignal: a non-zero value (the signal number) cancels the jobs in hand and starts
    // no more.
    BatchRunner(const Options& pOptions, EditorFactory pMakeEditor, FailureExplainer pExplain,
                const std::atomic<int>& pStopSignal);

    // Edits every file of the options; results in the order of the files.
    std::vector<FileResult> Run(BatchObserver& pObserver);

    // Number of worker threads a run uses.
    size_t WorkerCount() const;

  private:
    FileResult ProcessFile(size_t pIndex, Editor& pEditor, BatchObserver& pObserver);
    EditJob MakeJob(const std::string& pSource) const;
    bool Stopped() const { return m_Stop.load() != 0; }

    const Options& m_Options;
    EditorFactory m_MakeEditor;
    FailureExplainer m_Explain;
    const std::atomic<int>& m_Stop;
};

// The path as the path helpers need it: a bare file name gets a "./" in front.
std::string WithFolder(const std::string& pPath);

} // namespace cli
