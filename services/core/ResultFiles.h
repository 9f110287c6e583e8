#pragma once

// Where a finished result goes, without ever leaving a half-made file under a real name.
//
// The edit job writes a hidden work file (".quillan-<pid>-<n>@<host>.part") in the folder of
// the result. Only a complete result leaves it: either under the first free name of a numbered
// series (take.wav, take01.wav, ...), claimed by a move that never replaces anything, or over
// the source in one rename that keeps the source's owner, group and permission bits.
// Work files of processes of this host, boot and pid namespace that died (killed) are swept
// by a later run.
// Both front ends use these; nothing throws.

#include <cstdint>
#include <string>

namespace results {

// The part of a work-file name that names this machine, boot and pid namespace ("@" and a
// tag), for tests and tools that make such names.
std::string WorkFileHostPart();
// The tag of a host name and a process space (boot id and pid namespace): twelve letters and
// digits, different for different inputs (the full host name counts).
std::string WorkFileTag(const std::string& pHost, const std::string& pSpace);

// The folder part of a path ("." for a bare name); '/' is the only separator.
std::string FolderOf(const std::string& pPath);

// Name n of the numbered series of wanted: wanted itself for 0, else the base name with n
// (at least two digits) before the extension: "take.wav", "take01.wav", "take02.wav", ...
std::string NumberedName(const std::string& pWanted, int64_t pN);

// A fresh work-file path in folder, unique within this process and not present on disk.
// Short, so that results under names of up to 255 bytes still have one.
std::string WorkFileIn(const std::string& pFolder);

// A work file for a result that will land in pFolder: the folder must take new files, and
// work files of dead runs there are swept first. Path empty, with the reason in Error ("cannot
// create files in ...: ..."), when the folder takes none.
struct WorkFile {
    std::string Path;
    std::string Error;
};
WorkFile StartWorkFile(const std::string& pFolder);

// The process id in a work-file name of ours (made on this host), or -1 when the name is
// not one.
int WorkFileOwner(const std::string& pFileName);

// Removes the work files in folder whose process no longer exists; the count removed. Only
// regular files under our own naming pattern are touched.
int RemoveStaleWorkFiles(const std::string& pFolder);
// The same, once per folder and process; later calls for that folder do nothing.
void RemoveStaleWorkFilesOnce(const std::string& pFolder);

// The file a result replacing source goes to: the source itself, or the file its links lead
// to. error says why it cannot be replaced (read-only, a folder where no file can be made,
// ...); checked before the edit, so no work is done for a result that could not land.
struct ReplaceTarget {
    std::string File;   // the file to replace (links resolved)
    std::string Folder; // its folder, where the work file must be written
    std::string Error;  // empty when the source can be replaced
};
ReplaceTarget CheckReplaceable(const std::string& pSource);

// Gives the work file the owner, group and mode of file (the owner where permitted),
// flushes it, then renames it over file in one step. An error text ("disk full", "write
// failed: ..."), empty on success; on failure file is untouched and the work file stays
// for the caller to remove.
std::string ReplaceWithResult(const std::string& pWorkFile, const std::string& pFile);

// Moves the work file to the first free name of the numbered series of wanted (from 01 on
// when numberAlways, else from wanted itself), never replacing anything that is there: a
// file, a folder or a dangling link makes it try the next number.
struct Claim {
    std::string Path;  // the name the result now has; empty on failure
    std::string Error; // why the result could not be moved; the work file then stays
};
Claim ClaimFreeName(const std::string& pWorkFile, const std::string& pWanted, bool pNumberAlways);

// Removes a file if it is there; missing files are fine.
void RemoveIfPresent(const std::string& pPath);

} // namespace results
