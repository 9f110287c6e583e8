#include "services/core/RunJournal.h"

#include "platform/core/FileStamp.h"
#include "platform/core/FileSync.h"
#include "platform/core/Process.h"
#include "platform/core/SafeFiles.h"
#include "services/core/FieldText.h"
#include "services/core/ResultFiles.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace results {

namespace {

std::vector<std::string> Fields(const std::string& pLine) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(pLine);
    while (std::getline(in, field, '\t'))
        fields.push_back(text::UnescapeField(field));
    return fields;
}

// Appends one line and flushes it to disk: the journal must outlive a crash of the run.
std::string AppendLine(const std::string& pPath, const std::string& pLine) {
    FILE* f = std::fopen(pPath.c_str(), "a");
    if (!f) return "cannot write the journal " + pPath;
    const bool written = std::fputs(pLine.c_str(), f) >= 0 && std::fflush(f) == 0;
    (void)platform::SyncFile(pPath);
    if (std::fclose(f) != 0 || !written) return "cannot write the journal " + pPath;
    return {};
}

// "20261208T131005.123456789-4711": sorts by time.
std::string RunName() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    const std::time_t secs = std::time_t(ns / 1000000000);
    std::tm utc{};
    gmtime_r(&secs, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%S", &utc);
    char tail[40];
    std::snprintf(tail, sizeof tail, ".%09lld-%d", (long long)(ns % 1000000000),
                  platform::CurrentProcessId());
    return std::string("run-") + text + tail + ".journal";
}

bool SameContent(const std::string& pA, const std::string& pB) {
    std::ifstream a(pA, std::ios::binary), b(pB, std::ios::binary);
    if (!a || !b) return false;
    std::istreambuf_iterator<char> end;
    return std::equal(std::istreambuf_iterator<char>(a), end, std::istreambuf_iterator<char>(b),
                      end);
}

bool ResultUnchanged(const JournalEntry& pEntry) {
    const platform::FileStamp now = platform::StampOf(pEntry.Source);
    return now.Size == pEntry.ResultSize && now.ModifiedNs == pEntry.ResultModifiedNs &&
           now.Inode == pEntry.ResultInode;
}

// Puts the original back over its source: a trash entry by one rename, a backup by a copy
// beside the source and one rename (the backup stays). An error text.
std::string Restore(const JournalEntry& pEntry) {
    std::error_code ec;
    if (!pEntry.TrashInfo.empty()) {
        fs::rename(pEntry.Kept, pEntry.Source, ec);
        if (ec) return "cannot move " + pEntry.Kept + " back: " + ec.message();
        (void)platform::SyncFolder(FolderOf(pEntry.Source));
        RemoveIfPresent(pEntry.TrashInfo);
        return {};
    }
    const std::string work = WorkFileIn(FolderOf(pEntry.Source));
    fs::copy_file(pEntry.Kept, work, ec);
    std::string error = ec ? "cannot copy " + pEntry.Kept + " back: " + ec.message() : "";
    if (error.empty()) error = ReplaceWithResult(work, pEntry.Source);
    if (!error.empty()) RemoveIfPresent(work);
    return error;
}

} // namespace

std::string JournalFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/quillan/runs";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/state/quillan/runs";
}

std::string LatestJournal(const std::string& pFolder) {
    std::string latest;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(pFolder, ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("run-", 0) == 0 && name.size() > 8 &&
            name.compare(name.size() - 8, 8, ".journal") == 0 && e.path().string() > latest)
            latest = e.path().string();
    }
    return latest;
}

RunJournal::RunJournal(std::string pFolder) : m_Folder(std::move(pFolder)) {}

std::string RunJournal::Add(const std::string& pSource, const std::string& pKept,
                            const std::string& pTrashInfo) {
    const platform::FileStamp stamp = platform::StampOf(pSource);
    std::lock_guard lock(m_Mutex);
    if (m_Path.empty()) {
        std::error_code ec;
        fs::create_directories(m_Folder, ec);
        if (!fs::is_directory(m_Folder))
            return "cannot create the journal folder " + m_Folder + ": " + ec.message();
        m_Path = m_Folder + "/" + RunName();
    }
    return AppendLine(
        m_Path, "replaced\t" + text::EscapeField(pSource) + "\t" + text::EscapeField(pKept) + "\t" +
                    text::EscapeField(pTrashInfo) + "\t" + std::to_string(stamp.Size) + "\t" +
                    std::to_string(stamp.ModifiedNs) + "\t" + std::to_string(stamp.Inode) + "\n");
}

std::vector<JournalEntry> ReadJournal(const std::string& pPath, std::string& pError) {
    std::vector<JournalEntry> entries;
    std::ifstream in(pPath);
    if (!in) {
        pError = "cannot read the journal " + pPath;
        return entries;
    }
    std::string line;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = Fields(line);
        // A line cut short by a crash is not an entry.
        if (f.size() == 7 && f[0] == "replaced") {
            JournalEntry e{f[1], f[2], f[3]};
            e.ResultSize = std::strtoll(f[4].c_str(), nullptr, 10);
            e.ResultModifiedNs = std::strtoll(f[5].c_str(), nullptr, 10);
            e.ResultInode = std::strtoull(f[6].c_str(), nullptr, 10);
            entries.push_back(e);
        } else if (f.size() == 2 && f[0] == "undone") {
            const size_t n = std::strtoull(f[1].c_str(), nullptr, 10);
            if (n < entries.size()) entries[n].Undone = true;
        }
    }
    return entries;
}

UndoReport UndoRun(const std::string& pJournal) {
    UndoReport report;
    std::vector<JournalEntry> entries = ReadJournal(pJournal, report.Error);
    if (!report.Error.empty()) return report;
    // Newest first: a file replaced twice in a run goes back step by step. A backup copied
    // back is a new file: what this undo put back counts as that earlier result.
    std::map<std::string, platform::FileStamp> putBack;
    for (size_t n = entries.size(); n-- > 0;) {
        const JournalEntry& e = entries[n];
        if (e.Undone) {
            ++report.AlreadyDone;
            continue;
        }
        std::error_code ec;
        const bool keptThere = fs::exists(fs::symlink_status(e.Kept, ec));
        std::string error;
        const auto back = putBack.find(e.Source);
        if (ResultUnchanged(e) ||
            (back != putBack.end() && back->second == platform::StampOf(e.Source))) {
            if (!keptThere) {
                report.Failed.push_back(e.Source + ": the original is no longer at " + e.Kept);
                continue;
            }
            error = Restore(e);
            if (!error.empty()) {
                report.Failed.push_back(e.Source + ": " + error);
                continue;
            }
            report.Restored.push_back(e.Source);
            putBack[e.Source] = platform::StampOf(e.Source);
        } else if ((!keptThere && !e.TrashInfo.empty() && fs::exists(e.Source, ec)) ||
                   (keptThere && e.TrashInfo.empty() && SameContent(e.Kept, e.Source))) {
            // An undo stopped after the original was back, before it was marked.
            RemoveIfPresent(e.TrashInfo);
            ++report.AlreadyDone;
        } else {
            report.Changed.push_back(e.Source);
            continue;
        }
        error = AppendLine(pJournal, "undone\t" + std::to_string(n) + "\n");
        if (!error.empty()) report.Failed.push_back(e.Source + ": " + error);
    }
    return report;
}

} // namespace results
