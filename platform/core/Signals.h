#pragma once

// Stop requests (Ctrl-C, SIGTERM) and writes to a closed pipe.

#include <atomic>

namespace platform {

// Stores the signal number in stopSignal when SIGINT or SIGTERM arrives. The handler
// then restores the default action, so a second one of the same kind ends the program.
void InstallStopHandlers(std::atomic<int>& pStopSignal);

// Writes to a pipe whose reader went away fail instead of ending the program.
void IgnoreBrokenPipe();

// Exit status after a stop by signal: 128 + the signal number, as shells report it.
int StopExitStatus(int pSignal);

} // namespace platform
