#pragma once
// Ctrl-C and SIGTERM: the first one asks the running jobs to stop; a second one ends the
// program at once (sources are never touched before a job has succeeded).

#include <atomic>

namespace cli {

// Stores the signal number in stopSignal when SIGINT or SIGTERM arrives.
void InstallStopHandlers(std::atomic<int>& stopSignal);

// Exit status after a stop by signal: 128 + the signal number.
int StopExitStatus(int signal);

} // namespace cli
