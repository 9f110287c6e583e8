#pragma once
// Measures files for the preview strip and the levels report on threads of their own, so the
// window never waits for a file. One reading per file is kept (its overview, with the range
// passes measured from it) until the file changes on disk. A new preview request cancels the
// one before; results come back on the window's thread as signals.

#include "engine/WaveOverview.h"
#include "platform/core/FileStamp.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace app {

// The levels report of one file, measured as quillan-batch --check --loudness measures it.
struct FileLevels {
    bool Ok = false;
    std::string Error; // why not, when not Ok
    float PeakDb = 0, RmsMaxDb = 0, RmsAverageDb = 0;
    double IntegratedLufs = 0, TruePeakDbtp = 0;
};
// pStop (may be empty) ends the measuring early; the levels are then not Ok.
FileLevels MeasureLevels(const std::string& pPath, const std::function<bool()>& pStop = {});

// One thread that runs the tasks posted to it in order.
class TaskThread {
  public:
    TaskThread();
    ~TaskThread();
    void Post(std::function<void()> pTask);

  private:
    void Run();
    std::mutex m_Mutex;
    std::condition_variable m_Wake;
    std::deque<std::function<void()>> m_Tasks;
    bool m_Stop = false;
    std::thread m_Thread;
};

class PreviewMeasurer : public QObject {
    Q_OBJECT

  public:
    explicit PreviewMeasurer(QObject* pParent = nullptr);
    ~PreviewMeasurer() override;

    // The overview of the file, read unless a reading of it as it is now is kept; a reading
    // of another file in hand is cancelled.
    void RequestOverview(const std::string& pPath);
    // The range pass of the file's overview (kept once measured).
    void RequestRange(const std::string& pPath, const RangeRequest& pRequest);
    // The levels report of the files, one after another (never cancelled by the preview).
    void RequestLevels(const std::vector<std::string>& pPaths);
    // Stops the preview's reading in hand (the selection moved to no file).
    void CancelPreview();

    // What is kept of the file, while it has not changed since; null when nothing is.
    std::shared_ptr<const WaveOverview> Overview(const std::string& pPath) const;
    // Why the file gave no overview (empty when it did or was not read).
    QString FailureOf(const std::string& pPath) const;
    const RangeResult* Range(const std::string& pPath, const RangeRequest& pRequest) const;
    // True when the file's kept reading is older than the file.
    bool Changed(const std::string& pPath) const;
    // Readings of overviews started (cancelled ones included), for the tests.
    int32_t Readings() const { return m_Readings; }

    // For the tests: while held, a finished reading waits before it is handed over.
    void SetHeld(bool pHeld);

  signals:
    // Raised on the window's thread (connections are direct).
    void OverviewPart(const std::string& pPath);
    void OverviewReady(const std::string& pPath);
    void RangeReady(const std::string& pPath);
    void LevelsReady(const std::string& pPath, const app::FileLevels& pLevels);

  private:
    struct Entry {
        platform::FileStamp Stamp; // the file as it was measured
        std::shared_ptr<const WaveOverview> Overview;
        std::shared_ptr<const WaveOverview> Part; // the reading so far
        QString Failure;
        std::vector<std::pair<RangeRequest, RangeResult>> Ranges;
        uint64_t Used = 0;
    };
    void Keep(const std::string& pPath, Entry pEntry);
    void WaitWhileHeld();
    const Entry* Current(const std::string& pPath) const;

    std::map<std::string, Entry> m_Cache;
    uint64_t m_UseClock = 0;
    std::string m_Pending; // the file whose overview is being read
    std::optional<RangeRequest> m_PendingRange;
    std::atomic<uint64_t> m_Generation{0};      // of the preview's reading
    std::atomic<uint64_t> m_RangeGeneration{0}; // of its range pass
    std::atomic<bool> m_Closing{false};
    int32_t m_Readings = 0;

    std::mutex m_HoldMutex;
    std::condition_variable m_HoldChanged;
    bool m_Held = false;

    // Declared last: their threads end first, while everything they use is still there.
    TaskThread m_PreviewThread;
    TaskThread m_LevelsThread;
};

} // namespace app
