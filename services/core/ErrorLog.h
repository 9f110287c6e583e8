#pragma once
// The program-wide diagnosis switches and the one log writer.

#include <cstdint>
#include <string>
#include <string_view>

// Nonzero: operations do not catch their own faults, so that a fault surfaces.
extern int32_t ErrorCatch;
// Nonzero: WriteLog writes every message, not only forced ones.
extern int32_t LogError;

// Sets the switches from the stored "LogError" and "ErrorCatch" texts; when
// ErrorCatch is still 0 it becomes 1 if "ec.txt" stands in the program folder.
// The settings layer reads the texts (see ReadErrorSwitches in services/store).
void SetErrorSwitches(std::string_view pLogErrorText, std::string_view pErrorCatchText,
                      const std::string& pProgramFolder);

// Later at start-up: a program that surfaces faults also logs every message.
void ForceLogWhenCatching();

// Appends "yyyy/mm/dd hh:mm:ss message" to quillan.err (isError nonzero) or
// quillan.log in LogFolder(), when force or LogError is nonzero. When that
// folder cannot be made or written, the "log" folder beside the program is used. A log above
// 1,024,000 bytes is deleted first. The file is opened and closed for each line; failures are
// silent.
void WriteLog(std::string_view pMessage, int32_t pIsError, int32_t pForce);

// WriteLog with the program folder (the last-resort place) given, trailing
// separator or not.
void WriteLogIn(const std::string& pProgramFolder, std::string_view pMessage, int32_t pIsError,
                int32_t pForce);

// The log folder: $XDG_STATE_HOME/quillan/log, or ~/.local/state/quillan/log
// when that variable is unset or relative; empty when HOME is not absolute either.
std::string LogFolder();

// Largest log file size that is still appended to.
inline constexpr int64_t MaxLogBytes = 1024000;

// Runs f and gives its result; a fault inside gives failValue instead, unless
// ErrorCatch is on, when the fault travels on to the caller.
template <class F, class R> R CatchUnlessDebugging(F&& pF, R pFailValue) {
    if (ErrorCatch) return pF();
    try {
        return pF();
    } catch (...) {
        return pFailValue;
    }
}
