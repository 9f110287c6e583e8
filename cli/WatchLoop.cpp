#include "cli/WatchLoop.h"

#include "cli/BatchRunner.h"
#include "cli/Reporter.h"
#include "cli/RunReport.h"
#include "platform/core/ExclusiveFile.h"
#include "platform/core/FileSync.h"
#include "platform/core/FolderWatch.h"
#include "platform/core/SafeFiles.h"
#include "platform/core/ServiceNotify.h"
#include "platform/core/Signals.h"
#include "services/job/CompleteWave.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace cli {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kExitFailed = 1;
constexpr int kTickMs = 100;

bool EndsWith(const std::string& pText, const std::string& pEnd) {
    return pText.size() >= pEnd.size() &&
           std::equal(pEnd.rbegin(), pEnd.rend(), pText.rbegin(),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

// What tells a file's versions apart: a rewrite or a replacement changes one of these.
struct Stamp {
    uint64_t Inode = 0;
    int64_t Size = -1;
    int64_t MtimeNs = 0;
    bool operator==(const Stamp&) const = default;
};

std::optional<Stamp> StampOf(const std::string& pPath) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(pPath, ec);
    if (ec || !fs::is_regular_file(st)) return std::nullopt;
    platform::FileIdentity id;
    if (platform::ReadIdentity(pPath, id)) return std::nullopt;
    Stamp s;
    s.Inode = id.Inode;
    s.Size = static_cast<int64_t>(fs::file_size(pPath, ec));
    const auto mtime = fs::last_write_time(pPath, ec);
    if (ec) return std::nullopt;
    s.MtimeNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(mtime.time_since_epoch()).count();
    return s;
}

std::string Absolute(const std::string& pPath) {
    std::error_code ec;
    const fs::path p = fs::weakly_canonical(fs::absolute(pPath, ec), ec);
    return p.lexically_normal().string();
}

bool Inside(const std::string& pPath, const std::string& pFolder) {
    const std::string a = Absolute(pPath), f = Absolute(pFolder);
    return a == f || (a.size() > f.size() && a.compare(0, f.size(), f) == 0 && a[f.size()] == '/');
}

// pPath below pFolder, or "" when it is not below it.
std::string RelativeTo(const std::string& pPath, const std::string& pFolder) {
    const fs::path rel = fs::path(pPath).lexically_relative(pFolder);
    return rel.empty() || *rel.begin() == ".." ? std::string() : rel.string();
}

// Moves pFrom onto pTo, never replacing a file: one rename, or a link and an unlink where the
// file system has no rename that refuses to replace. A source gone meanwhile (another watcher
// moved it first) gives no_such_file_or_directory and leaves no copy behind.
std::error_code MoveNoReplace(const std::string& pFrom, const std::string& pTo) {
    std::error_code ec = platform::RenameNoReplace(pFrom, pTo);
    if (ec != std::errc::invalid_argument && ec != std::errc::function_not_supported &&
        ec != std::errc::operation_not_supported)
        return ec;
    if ((ec = platform::LinkNoReplace(pFrom, pTo))) return ec;
    if (fs::remove(pFrom, ec) && !ec) return {};
    std::error_code ignored;
    fs::remove(pTo, ignored);
    return ec ? ec : std::make_error_code(std::errc::no_such_file_or_directory);
}

// Moves pFrom to pFolder/pRelative, or under a free numbered name beside it. The new path; ""
// with the reason in pError, or with pError empty when the source was gone.
std::string MoveInto(const std::string& pFrom, const std::string& pFolder,
                     const std::string& pRelative, std::string& pError) {
    const fs::path wanted = fs::path(pFolder) / pRelative;
    std::error_code ec;
    fs::create_directories(wanted.parent_path(), ec);
    for (int n = 1; n < 10000; ++n) {
        fs::path to = wanted;
        if (n > 1)
            to.replace_filename(wanted.stem().string() + "-" + std::to_string(n) +
                                wanted.extension().string());
        ec = MoveNoReplace(pFrom, to.string());
        if (ec == std::errc::file_exists) continue;
        if (ec == std::errc::no_such_file_or_directory && !StampOf(pFrom)) return {};
        if (ec) break;
        platform::SyncFolder(to.parent_path().string());
        platform::SyncFolder(fs::path(pFrom).parent_path().string());
        return to.string();
    }
    pError = "cannot move it into '" + pFolder + "': " + (ec ? ec.message() : "no free name");
    return {};
}

// Receives nothing while a file runs; the line of a finished file is printed by the loop.
class QuietObserver : public BatchObserver {
  public:
    void FileStarted(size_t, int64_t) override {}
    void FileProgress(size_t, float) override {}
    void FileFinished(size_t, const FileResult&) override {}
};

class Watcher {
  public:
    Watcher(const Options& pOptions, const std::atomic<int>& pStop, std::FILE* pOut,
            std::FILE* pErr)
        : m_O(pOptions), m_Stop(pStop), m_Out(pOut), m_Err(pErr), m_Runner(pOptions, pStop),
          m_Context(MakeRunContext(pOptions)) {}

    int Run();

  private:
    struct Pending {
        Stamp Last;
        Clock::time_point Since;
    };

    void Note(const std::string& pPath);
    void Scan(const std::string& pFolder);
    void Settle();
    void Work();
    // Moves, removes or sets aside the source of a finished file. False when the file turned
    // out to be another watcher's, which took its source first: nothing to report.
    bool AfterFile(FileResult& pResult, std::string& pNote);
    void Report(const FileResult& pResult, const std::string& pNote);
    void Log(const std::string& pText);
    // Tells systemd (a Type=notify unit) of the state.
    void Notify(const std::string& pState);

    const Options& m_O;
    const std::atomic<int>& m_Stop;
    std::FILE* m_Out;
    std::FILE* m_Err;
    BatchRunner m_Runner;
    const RunContext m_Context;
    QuietObserver m_Observer;

    // The main loop's own.
    std::map<std::string, Pending> m_Pending; // seen, not yet settled
    std::map<std::string, Stamp> m_Handled;   // processed and still in the folder
    std::mutex m_Mutex;                       // guards what follows
    std::condition_variable m_Wake;
    std::deque<std::pair<std::string, Stamp>> m_Ready;
    std::set<std::string> m_InHand;
    std::vector<std::pair<std::string, Stamp>> m_Finished;
    bool m_Closing = false;
    size_t m_Done = 0, m_Failed = 0;
};

void Watcher::Log(const std::string& pText) {
    std::fprintf(m_Err, "quillan-batch: %s\n", PrintableText(pText).c_str());
    std::fflush(m_Err);
}

void Watcher::Notify(const std::string& pState) {
    if (std::string error = platform::NotifyServiceManager(pState); !error.empty()) Log(error);
}

void Watcher::Note(const std::string& pPath) {
    if (!WatchedName(fs::path(pPath).filename().string())) return;
    const auto stamp = StampOf(pPath);
    if (!stamp) return;
    auto handled = m_Handled.find(pPath);
    if (handled != m_Handled.end() && handled->second == *stamp) return;
    m_Pending[pPath] = {*stamp, Clock::now()};
}

void Watcher::Scan(const std::string& pFolder) {
    std::error_code ec;
    const bool deep = !m_O.MirrorRoot.empty();
    auto visit = [&](const fs::directory_entry& pEntry) {
        if (pEntry.is_regular_file(ec)) Note(pEntry.path().string());
    };
    if (deep) {
        for (fs::recursive_directory_iterator it(pFolder, ec), end; !ec && it != end;
             it.increment(ec)) {
            // Hidden folders (work files of other tools) are left alone.
            if (it->is_directory(ec) && it->path().filename().string().rfind('.', 0) == 0)
                it.disable_recursion_pending();
            visit(*it);
        }
    } else {
        for (fs::directory_iterator it(pFolder, ec), end; !ec && it != end; it.increment(ec))
            visit(*it);
    }
    // Handled files that are gone no longer need remembering.
    for (auto it = m_Handled.begin(); it != m_Handled.end();)
        it = StampOf(it->first) ? std::next(it) : m_Handled.erase(it);
}

// Hands over the files whose size and time stayed the same for the settle time. A file is
// looked at again only once its settle time is up, so a burst costs one look per file and
// tick, not one per file and event; the workers wait for the lock only to take the results.
void Watcher::Settle() {
    const auto now = Clock::now();
    const auto settle = std::chrono::duration<double>(m_O.SettleSeconds);
    std::vector<std::pair<std::string, Stamp>> finished, due;
    {
        std::lock_guard lock(m_Mutex);
        finished.swap(m_Finished);
    }
    for (auto& [path, stamp] : finished)
        if (StampOf(path) == stamp) m_Handled[path] = stamp;
    for (auto it = m_Pending.begin(); it != m_Pending.end();) {
        if (now - it->second.Since < settle) {
            ++it;
            continue;
        }
        const auto stamp = StampOf(it->first);
        auto handled = m_Handled.find(it->first);
        if (!stamp || (handled != m_Handled.end() && handled->second == *stamp)) {
            it = m_Pending.erase(it);
        } else if (!(*stamp == it->second.Last)) {
            it->second = {*stamp, now};
            ++it;
        } else {
            due.emplace_back(it->first, *stamp);
            ++it;
        }
    }
    if (due.empty()) return;
    std::lock_guard lock(m_Mutex);
    for (auto& file : due) {
        // The older version of a file rewritten meanwhile is still in hand: it waits.
        if (!m_InHand.insert(file.first).second) continue;
        m_Pending.erase(file.first);
        m_Ready.push_back(std::move(file));
        m_Wake.notify_one();
    }
}

bool Watcher::AfterFile(FileResult& pResult, std::string& pNote) {
    if (pResult.Cancelled) return true;
    const bool wrote = pResult.Result == 1 && !pResult.Skipped;
    // Not written here and the source gone: another watcher on the folder took it.
    if (!wrote && !StampOf(pResult.Source)) return false;
    const std::string relative = RelativeTo(pResult.Source, m_O.WatchDir);
    std::string error;
    if (pResult.Result == 1) {
        // A result another run is still writing is not there yet: the source stays for it.
        if (pResult.Skipped && !job::IsCompleteWave(pResult.Target)) return true;
        if (!m_O.ThenMove.empty()) {
            const std::string to = MoveInto(pResult.Source, m_O.ThenMove, relative, error);
            if (!to.empty()) pNote = "source moved to " + to;
            if (to.empty() && error.empty()) return wrote;
        } else if (m_O.ThenDelete) {
            std::error_code ec;
            if (!fs::remove(pResult.Source, ec) && !ec) return wrote;
            if (ec) error = "cannot remove it: " + ec.message();
        }
        if (!error.empty()) Log(pResult.Source + ": done, but the source stays: " + error);
        return true;
    }
    if (m_O.FailedDir.empty()) return true;
    const std::string to = MoveInto(pResult.Source, m_O.FailedDir, relative, error);
    if (to.empty()) {
        if (error.empty()) return false;
        Log(pResult.Source + ": " + error);
        return true;
    }
    pNote = "source moved to " + to;
    std::ofstream reason(to + ".txt", std::ios::binary | std::ios::trunc);
    reason << pResult.Source << ": " << pResult.Error << "\n";
    reason.close();
    platform::SyncFile(to + ".txt");
    return true;
}

void Watcher::Report(const FileResult& pR, const std::string& pNote) {
    if (m_O.Json) {
        std::fprintf(
            m_Out, "%s\n",
            WithRunFields(JsonLine(pR, LevelsMeasured(m_O), LoudnessReported(m_O)), pR, m_Context)
                .c_str());
        std::fflush(m_Out);
    }
    if (!pR.Error.empty()) {
        Log(pR.Source + ": " + pR.Error + (pNote.empty() ? "" : "; " + pNote));
    } else if (!m_O.Quiet) {
        std::string text =
            pR.Source + ": " + (pR.Skipped ? "already done: " : "done: ") + pR.Target;
        if (!pR.Warning.empty()) text += "; warning: " + pR.Warning;
        Log(text + (pNote.empty() ? "" : "; " + pNote));
    }
}

void Watcher::Work() {
    for (;;) {
        std::pair<std::string, Stamp> next;
        {
            std::unique_lock lock(m_Mutex);
            m_Wake.wait(lock, [&] { return m_Closing || !m_Ready.empty(); });
            if (m_Ready.empty() || m_Stop.load() != 0) return;
            next = m_Ready.front();
            m_Ready.pop_front();
        }
        FileResult r;
        const auto start = Clock::now();
        try {
            r = m_Runner.ProcessSource(next.first, 0, m_Observer);
        } catch (const std::exception& e) {
            r.Source = next.first;
            r.Error = std::string("internal error: ") + e.what();
        }
        r.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::string note;
        const bool ours = AfterFile(r, note);
        std::lock_guard lock(m_Mutex);
        if (ours) Report(r, note);
        if (ours && !r.Cancelled) ++(r.Result == 1 ? m_Done : m_Failed);
        m_InHand.erase(next.first);
        m_Finished.push_back(next);
    }
}

int Watcher::Run() {
    platform::FolderWatch watch;
    if (std::string error = watch.Open(m_O.WatchDir, !m_O.MirrorRoot.empty()); !error.empty()) {
        Log(error);
        return kExitFailed;
    }
    Scan(m_O.WatchDir);
    std::vector<std::thread> workers;
    const size_t count = m_O.Jobs > 0 ? static_cast<size_t>(m_O.Jobs)
                                      : std::max(1u, std::thread::hardware_concurrency());
    for (size_t i = 0; i < count; ++i)
        workers.emplace_back([this] { Work(); });
    if (!m_O.Quiet) Log("watching " + m_O.WatchDir);
    Notify("READY=1");
    std::string gone;
    while (m_Stop.load() == 0 && gone.empty()) {
        for (const platform::FolderEvent& e : watch.Wait(kTickMs)) {
            using Kind = platform::FolderEvent::Kind;
            if (e.What == Kind::FileLanded) Note(e.Path);
            if (e.What == Kind::FolderAdded) Scan(e.Path);
            if (e.What == Kind::Overflow) {
                if (!m_O.Quiet)
                    Log("too many changes at once (the event queue overflowed): scanning " +
                        m_O.WatchDir + " again");
                Scan(m_O.WatchDir);
            }
            // The first reason counts: an unmount is followed by the watch's removal.
            if (e.What == Kind::RootGone && gone.empty())
                gone = "the watched folder '" + m_O.WatchDir + "' " + e.Reason;
        }
        if (gone.empty()) Settle();
    }
    Notify("STOPPING=1");
    {
        std::lock_guard lock(m_Mutex);
        m_Closing = true;
        m_Ready.clear();
    }
    m_Wake.notify_all();
    for (auto& t : workers)
        t.join();
    const int signal = m_Stop.load();
    if (!gone.empty()) Log(gone + "; stopped watching");
    if (!m_O.Quiet || !gone.empty())
        Log((signal != 0 ? "stopped; " : "") + std::to_string(m_Done) + " done, " +
            std::to_string(m_Failed) + " failed");
    if (signal != 0) return platform::StopExitStatus(signal);
    return kExitFailed;
}

} // namespace

bool WatchedName(const std::string& pName) {
    if (pName.empty() || pName[0] == '.' || pName.back() == '~') return false;
    for (const char* temporary : {".part", ".tmp", ".crdownload", ".partial"})
        if (EndsWith(pName, temporary)) return false;
    for (const char* wav : {".wav", ".wave", ".bwf", ".rf64"})
        if (EndsWith(pName, wav)) return true;
    return false;
}

namespace {

bool OnOneFileSystem(const std::string& pA, const std::string& pB) {
    platform::FileIdentity a, b;
    if (platform::ReadIdentity(pA, a) || platform::ReadIdentity(pB, b)) return true; // told later
    return a.Device == b.Device;
}

} // namespace

std::string CheckWatchFolders(const Options& pO) {
    std::error_code ec;
    if (!fs::is_directory(pO.WatchDir, ec))
        return "watched folder '" + pO.WatchDir + "' does not exist";
    if (!pO.MirrorRoot.empty() && Absolute(pO.MirrorRoot) != Absolute(pO.WatchDir))
        return "with '--watch', '--mirror' names the watched folder";
    const bool deep = !pO.MirrorRoot.empty();
    const std::pair<const char*, std::string> folders[] = {
        {"--output-dir", pO.OutputDir}, {"--then-move", pO.ThenMove}, {"--failed", pO.FailedDir}};
    for (const auto& [option, folder] : folders) {
        if (folder.empty()) continue;
        if (!fs::is_directory(folder, ec))
            return "folder '" + folder + "' of '" + option + "' does not exist";
        // Its files would land in the watched folder again.
        if (deep ? Inside(folder, pO.WatchDir) : Absolute(folder) == Absolute(pO.WatchDir))
            return "folder '" + folder + "' of '" + option + "' is inside the watched folder";
        // Sources are renamed into it, never copied: across file systems every move would fail.
        if (std::string(option) != "--output-dir" && !OnOneFileSystem(folder, pO.WatchDir))
            return "folder '" + folder + "' of '" + option +
                   "' is not on the watched folder's file system (sources are moved, not copied)";
    }
    return {};
}

int RunWatch(const Options& pOptions, const std::atomic<int>& pStop, std::FILE* pOut,
             std::FILE* pErr) {
    Watcher watcher(pOptions, pStop, pOut, pErr);
    return watcher.Run();
}

} // namespace cli
