#include "app/PreviewMeasurer.h"

#include "engine/C_EditWave.h"
#include "engine/FailureReason.h"

#include <QMetaObject>

namespace app {

using platform::FileStamp;
using platform::StampOf;

namespace {
// Readings kept; the oldest unused one goes first.
constexpr size_t kKeptFiles = 24;
// Range passes kept per file; the oldest goes first.
constexpr size_t kKeptRanges = 64;
} // namespace

FileLevels MeasureLevels(const std::string& pPath, const std::function<bool()>& pStop) {
    EditJob job;
    job.SourcePath = pPath;
    job.Check = LevelCheck::MeasureOnly;
    job.MeasureLoudness = true;
    const EditResult r = C_EditWave().Edit(job, [&pStop](float) { return pStop && pStop(); });
    FileLevels l;
    if (!r.Done()) {
        l.Error = FailureReason(pPath, std::string(), r.Status, r.Detail);
        return l;
    }
    l.Ok = true;
    l.PeakDb = r.Levels->MaxPeakDb;
    l.RmsMaxDb = r.Levels->MaxRmsDb;
    l.RmsAverageDb = r.Levels->NormRmsDb;
    if (r.Loudness) {
        l.IntegratedLufs = r.Loudness->IntegratedLufs;
        l.TruePeakDbtp = r.Loudness->TruePeakDbtp();
    }
    return l;
}

TaskThread::TaskThread() : m_Thread([this] { Run(); }) {}

TaskThread::~TaskThread() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Stop = true;
        m_Tasks.clear();
    }
    m_Wake.notify_all();
    m_Thread.join();
}

void TaskThread::Post(std::function<void()> pTask) {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Tasks.push_back(std::move(pTask));
    }
    m_Wake.notify_all();
}

void TaskThread::Run() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(m_Mutex);
            m_Wake.wait(lock, [this] { return m_Stop || !m_Tasks.empty(); });
            if (m_Stop) return;
            task = std::move(m_Tasks.front());
            m_Tasks.pop_front();
        }
        task();
    }
}

PreviewMeasurer::PreviewMeasurer(QObject* pParent) : QObject(pParent) {}

PreviewMeasurer::~PreviewMeasurer() {
    m_Closing = true;
    SetHeld(false);
}

void PreviewMeasurer::SetHeld(bool pHeld) {
    {
        std::lock_guard<std::mutex> lock(m_HoldMutex);
        m_Held = pHeld;
    }
    m_HoldChanged.notify_all();
}

void PreviewMeasurer::WaitWhileHeld() {
    std::unique_lock<std::mutex> lock(m_HoldMutex);
    m_HoldChanged.wait(lock, [this] { return !m_Held || m_Closing; });
}

const PreviewMeasurer::Entry* PreviewMeasurer::Current(const std::string& pPath) const {
    const auto it = m_Cache.find(pPath);
    if (it == m_Cache.end() || !(it->second.Stamp == StampOf(pPath))) return nullptr;
    return &it->second;
}

bool PreviewMeasurer::Changed(const std::string& pPath) const {
    const auto it = m_Cache.find(pPath);
    return it != m_Cache.end() && !(it->second.Stamp == StampOf(pPath));
}

std::shared_ptr<const WaveOverview> PreviewMeasurer::Overview(const std::string& pPath) const {
    const Entry* e = Current(pPath);
    if (e) return e->Overview ? e->Overview : e->Part;
    // While a reading is going, what it has so far.
    const auto it = m_Cache.find(pPath);
    return pPath == m_Pending && it != m_Cache.end() ? it->second.Part : nullptr;
}

QString PreviewMeasurer::FailureOf(const std::string& pPath) const {
    const Entry* e = Current(pPath);
    return e ? e->Failure : QString();
}

const RangeResult* PreviewMeasurer::Range(const std::string& pPath,
                                          const RangeRequest& pRequest) const {
    const Entry* e = Current(pPath);
    if (!e) return nullptr;
    for (const auto& [request, result] : e->Ranges)
        if (request == pRequest) return &result;
    return nullptr;
}

void PreviewMeasurer::Keep(const std::string& pPath, Entry pEntry) {
    pEntry.Used = ++m_UseClock;
    m_Cache[pPath] = std::move(pEntry);
    while (m_Cache.size() > kKeptFiles) {
        auto oldest = m_Cache.begin();
        for (auto it = m_Cache.begin(); it != m_Cache.end(); ++it)
            if (it->second.Used < oldest->second.Used) oldest = it;
        m_Cache.erase(oldest);
    }
}

void PreviewMeasurer::CancelPreview() {
    ++m_Generation;
    ++m_RangeGeneration;
    m_Pending.clear();
    m_PendingRange.reset();
}

void PreviewMeasurer::RequestOverview(const std::string& pPath) {
    if (pPath == m_Pending) return;
    if (const Entry* e = Current(pPath); e && (e->Overview || !e->Failure.isEmpty())) return;
    CancelPreview();
    m_Pending = pPath;
    ++m_Readings;
    const uint64_t generation = m_Generation;
    m_PreviewThread.Post([this, pPath, generation] {
        const auto stop = [this, generation] { return m_Closing || m_Generation != generation; };
        if (stop()) return;
        const FileStamp stamp = StampOf(pPath);
        OverviewWatch watch;
        watch.Stop = stop;
        watch.Partial = [&](const WaveOverview& pSoFar) {
            auto part = std::make_shared<const WaveOverview>(pSoFar);
            QMetaObject::invokeMethod(this, [this, pPath, generation, stamp, part] {
                if (m_Generation != generation) return;
                Entry entry;
                entry.Stamp = stamp;
                entry.Part = part;
                Keep(pPath, std::move(entry));
                emit OverviewPart(pPath);
            });
        };
        OverviewResult r = MeasureOverview(pPath, watch);
        WaitWhileHeld();
        if (stop()) return;
        Entry entry;
        entry.Stamp = stamp;
        if (r.Overview)
            entry.Overview = std::make_shared<const WaveOverview>(std::move(*r.Overview));
        else
            entry.Failure = QString::fromStdString(
                FailureReason(pPath, std::string(), r.Failure.Status, r.Failure.Detail));
        QMetaObject::invokeMethod(this, [this, pPath, generation, entry] {
            if (m_Generation != generation) return;
            m_Pending.clear();
            Keep(pPath, entry);
            emit OverviewReady(pPath);
        });
    });
}

void PreviewMeasurer::RequestRange(const std::string& pPath, const RangeRequest& pRequest) {
    if (Range(pPath, pRequest) || m_PendingRange == pRequest) return;
    m_PendingRange = pRequest;
    const uint64_t generation = ++m_RangeGeneration;
    m_PreviewThread.Post([this, pPath, pRequest, generation] {
        const auto stop = [this, generation] {
            return m_Closing || m_RangeGeneration != generation;
        };
        if (stop()) return;
        const FileStamp stamp = StampOf(pPath);
        RangeResult r = MeasureRange(pPath, pRequest, stop);
        if (stop()) return;
        QMetaObject::invokeMethod(this, [this, pPath, pRequest, generation, stamp, r] {
            if (m_RangeGeneration != generation) return;
            m_PendingRange.reset();
            const auto it = m_Cache.find(pPath);
            // Kept only with the reading of the same file as it was.
            if (it == m_Cache.end() || !(it->second.Stamp == stamp)) return;
            std::vector<std::pair<RangeRequest, RangeResult>>& ranges = it->second.Ranges;
            if (ranges.size() >= kKeptRanges) ranges.erase(ranges.begin());
            ranges.emplace_back(pRequest, r);
            emit RangeReady(pPath);
        });
    });
}

void PreviewMeasurer::RequestLevels(const std::vector<std::string>& pPaths) {
    for (const std::string& path : pPaths)
        m_LevelsThread.Post([this, path] {
            if (m_Closing) return;
            const FileLevels levels = MeasureLevels(path, [this] { return bool(m_Closing); });
            if (m_Closing) return;
            QMetaObject::invokeMethod(this,
                                      [this, path, levels] { emit LevelsReady(path, levels); });
        });
}

} // namespace app
