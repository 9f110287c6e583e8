#include "services/core/ErrorLog.h"

#include "platform/core/FolderAccess.h"
#include "services/core/AppTitle.h"
#include "services/core/DurationText.h"
#include "services/core/Paths.h"
#include "services/core/SettingText.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

int32_t ErrorCatch = 0;
int32_t LogError = 0;

namespace {

// The user's state folder, made when missing; empty when there is none to write.
std::optional<std::string> MakeStateLogFolder() {
    const std::string folder = LogFolder();
    if (folder.empty()) return std::nullopt;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (FolderExists(folder) && platform::CanWriteFolder(folder)) return folder;
    return std::nullopt;
}

// The "log" folder beside the program, made when missing. Something else named
// "log" there blocks it.
std::optional<std::string> MakeProgramLogFolder(const std::string& pProgramFolder) {
    const std::string folder = SetBackslash(pProgramFolder, 0) + "log";
    if (FolderExists(folder)) {
        if (platform::CanWriteFolder(folder)) return folder;
        return std::nullopt;
    }
    std::error_code ec;
    if (std::filesystem::symlink_status(folder, ec).type() != std::filesystem::file_type::not_found)
        return std::nullopt;
    if (MakeFolder(folder)) return folder;
    return std::nullopt;
}

// Lines go to the user's state folder; the program's own folder (often a bin
// folder on the PATH) is only the last resort when that cannot be written.
std::optional<std::string> ResolveLogFolder(const std::string& pProgramFolder) {
    if (auto folder = MakeStateLogFolder()) return folder;
    return MakeProgramLogFolder(pProgramFolder);
}

int64_t FileSizeOrZero(const std::string& pPath) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(pPath, ec);
    return ec ? 0 : int64_t(size);
}

void AppendLogLine(const std::string& pProgramFolder, std::string_view pMessage, int32_t pIsError) {
    const std::optional<std::string> folder = ResolveLogFolder(pProgramFolder);
    if (!folder) return;
    const std::string path =
        SetBackslash(*folder, 0) + std::string(AppTitle) + (pIsError ? ".err" : ".log");
    if (FileSizeOrZero(path) > MaxLogBytes) DeleteFileForced(path);
    std::ofstream file(path, std::ios::binary | std::ios::app);
    if (!file) return;
    file << LogTimestamp() << ' ' << pMessage << "\r\n";
}

} // namespace

void SetErrorSwitches(std::string_view pLogErrorText, std::string_view pErrorCatchText,
                      const std::string& pProgramFolder) {
    LogError = SettingToInt32(pLogErrorText).value_or(0);
    ErrorCatch = SettingToInt32(pErrorCatchText).value_or(0);
    if (ErrorCatch == 0 && FileExists(SetBackslash(pProgramFolder, 0) + "ec.txt")) ErrorCatch = 1;
}

void ForceLogWhenCatching() {
    if (ErrorCatch) LogError = 1;
}

std::string LogFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string base;
    if (state && state[0] == '/') {
        base = state;
    } else {
        // A relative or missing home would put the log wherever the program was started.
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') return {};
        base = SetBackslash(home, 0) + ".local/state";
    }
    return SetBackslash(base, 0) + std::string(AppTitle) + "/log";
}

void WriteLogIn(const std::string& pProgramFolder, std::string_view pMessage, int32_t pIsError,
                int32_t pForce) {
    if (!pForce && !LogError) return;
    CatchUnlessDebugging(
        [&] {
            AppendLogLine(pProgramFolder, pMessage, pIsError);
            return 0;
        },
        0);
}

void WriteLog(std::string_view pMessage, int32_t pIsError, int32_t pForce) {
    if (!pForce && !LogError) return;
    WriteLogIn(AppFolder(), pMessage, pIsError, pForce);
}
