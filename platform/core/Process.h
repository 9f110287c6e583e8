#pragma once

// Starting other programs and waiting for them.

#include <optional>
#include <string>
#include <vector>

namespace platform {

// The id of this process.
int CurrentProcessId();

// Files a started program's standard streams are opened on; empty keeps the caller's.
// Output files are created or emptied.
struct ChildStreams {
    std::string In;
    std::string Out;
    std::string Err;
};

// Starts command[0] (a path, not searched for) with command as its argument list.
// Returns the process id, or -1 with the reason (the system's error text) in error.
int StartProcess(const std::vector<std::string>& pCommand, const ChildStreams& pStreams,
                 std::string& pError);

// Waits for a started program: its exit status, 128 + the signal number when a signal
// ended it, -1 when there is no such child.
int WaitProcess(int pPid);

// Asks a started program to stop as Ctrl-C would (SIGINT). False when it is gone.
bool InterruptProcess(int pPid);

// Runs the command to its end and returns everything it wrote on stdout; its stderr goes
// to errPath (empty: the caller's). exitStatus as for WaitProcess. Nothing, with the
// reason in error, when it cannot be started.
std::optional<std::string> RunForOutput(const std::vector<std::string>& pCommand,
                                        const std::string& pErrPath, int& pExitStatus,
                                        std::string& pError);

} // namespace platform
