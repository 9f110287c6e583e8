#pragma once
// quillan-batch --watch: a hot folder. Every WAV file that lands in the watched folder is
// taken once its writer is done and its size has settled, and goes through the same per-file
// step as a batch, on -j workers, until a stop signal or the folder goes away.

#include "cli/Options.h"

#include <atomic>
#include <cstdio>
#include <string>

namespace cli {

// Whether a file name is one the watcher takes: a WAV name that is neither hidden nor a
// temporary file (.part, .tmp, a trailing ~).
bool WatchedName(const std::string& pName);

// Checks the folders of a watch run; an error text, empty when they will do.
std::string CheckWatchFolders(const Options& pOptions);

// Runs until pStop holds a signal number or the folder goes away; the exit status.
int RunWatch(const Options& pOptions, const std::atomic<int>& pStop, std::FILE* pOut,
             std::FILE* pErr);

} // namespace cli
