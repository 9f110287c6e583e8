#pragma once

// The journal of a run that replaced files: for each source, where its original was kept and
// what the result looked like, so the run can be undone later. One file per run under
// $XDG_STATE_HOME/quillan/runs; a line per replaced file, written as soon as it is replaced,
// and a line per file restored, so an undo that was interrupted goes on where it stopped.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace results {

struct JournalEntry {
    std::string Source;    // the replaced file (links resolved)
    std::string Kept;      // the original: its trash entry or its backup copy
    std::string TrashInfo; // its .trashinfo; empty for a backup
    int64_t ResultSize = 0;
    int64_t ResultModifiedNs = 0;
    uint64_t ResultInode = 0;
    bool Undone = false; // restored by an undo
};

// The folder of the journals: $XDG_STATE_HOME/quillan/runs (~/.local/state/...).
std::string JournalFolder();

// The newest journal in pFolder; empty when there is none.
std::string LatestJournal(const std::string& pFolder);

// Appends to one run's journal; the file is made with the first entry. Thread-safe.
class RunJournal {
  public:
    explicit RunJournal(std::string pFolder = JournalFolder());
    // Records a replaced file; the result's size, time and inode are read now. An error text.
    std::string Add(const std::string& pSource, const std::string& pKept,
                    const std::string& pTrashInfo);
    const std::string& Path() const { return m_Path; } // empty until the first entry

  private:
    std::mutex m_Mutex;
    std::string m_Folder;
    std::string m_Path;
};

// The entries of a journal, in the order written, with the undo marks applied.
std::vector<JournalEntry> ReadJournal(const std::string& pPath, std::string& pError);

struct UndoReport {
    std::vector<std::string> Restored; // sources that have their original back
    std::vector<std::string> Changed;  // results edited since the run: left alone
    std::vector<std::string> Failed;   // "source: reason"
    int AlreadyDone = 0;               // restored by an earlier undo
    std::string Error;                 // the journal could not be read
};

// Restores every original whose result is unchanged since the run, newest first, each by one
// rename (a backup: a copy, then one rename). A second undo finds nothing to do.
UndoReport UndoRun(const std::string& pJournal);

} // namespace results
