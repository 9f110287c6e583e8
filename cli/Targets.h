#pragma once
// Where a job's result is written: the final name, reserved exclusively, and the
// private work file the engine writes before the result is moved into place.

#include <cstdint>
#include <string>

namespace cli {

struct Reservation {
    std::string path;  // the reserved name; empty on failure
    std::string error; // reason when path is empty
};

// Creates the first free name of the numbered series of wanted (wanted itself, unless
// numberAlways, then name01.ext, name02.ext, ...) as an empty file with O_EXCL, so that
// parallel jobs and other processes never get the same name.
Reservation ReserveNumbered(const std::string& wanted, bool numberAlways);

// A name beside finalPath that does not exist yet and that no other job uses: hidden, with
// the process id and the job number in it.
std::string WorkFileName(const std::string& finalPath, uint64_t jobNumber);

// Moves the finished work file onto finalPath in one rename. With keepModeOf set, the
// result takes that file's permission bits and is flushed to disk first, so that a source
// replaced by its result is never left half written. Returns an error text, empty on success.
std::string CommitWorkFile(const std::string& workPath, const std::string& finalPath,
                           const std::string& keepModeOf);

// Moves the finished work file onto the name this job reserved (an empty placeholder)
// without replacing a file, which spares the file system the immediate flush it does for a
// replacing rename. Should another process take the name in the instant the placeholder is
// gone, the next free name of the series (wanted, numberAlways as for ReserveNumbered) is
// used; finalPath then changes. Returns an error text, empty on success.
std::string CommitToReservedName(const std::string& workPath, std::string& finalPath,
                                 const std::string& wanted, bool numberAlways);

// Removes what a failed or cancelled job left behind (missing files are fine).
void RemoveQuietly(const std::string& path);

} // namespace cli
