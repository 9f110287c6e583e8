#include "platform/core/Process.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

// The spawn file actions of one start, released with the object.
class SpawnActions {
  public:
    SpawnActions() { posix_spawn_file_actions_init(&m_Actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&m_Actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    void Open(int pFd, const std::string& pPath, int pFlags) {
        if (!pPath.empty())
            posix_spawn_file_actions_addopen(&m_Actions, pFd, pPath.c_str(), pFlags, 0644);
    }
    void Duplicate(int pFrom, int pTo) { posix_spawn_file_actions_adddup2(&m_Actions, pFrom, pTo); }
    void OpenStreams(const ChildStreams& pStreams) {
        const int writeFlags = O_WRONLY | O_CREAT | O_TRUNC;
        Open(STDIN_FILENO, pStreams.In, O_RDONLY);
        Open(STDOUT_FILENO, pStreams.Out, writeFlags);
        Open(STDERR_FILENO, pStreams.Err, writeFlags);
    }
    const posix_spawn_file_actions_t* Get() const { return &m_Actions; }

  private:
    posix_spawn_file_actions_t m_Actions;
};

int Spawn(const std::vector<std::string>& pCommand, const SpawnActions& pActions,
          std::string& pError) {
    if (pCommand.empty()) {
        pError = "no program given";
        return -1;
    }
    std::vector<std::string> words = pCommand;
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], pActions.Get(), nullptr, argv.data(), environ);
    if (failed != 0) {
        pError = std::strerror(failed);
        return -1;
    }
    return pid;
}

std::string ReadAll(int pFd) {
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pFd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        output.append(buffer, static_cast<size_t>(n));
    }
    return output;
}

} // namespace

int CurrentProcessId() {
    return static_cast<int>(::getpid());
}

int StartProcess(const std::vector<std::string>& pCommand, const ChildStreams& pStreams,
                 std::string& pError) {
    SpawnActions actions;
    actions.OpenStreams(pStreams);
    return Spawn(pCommand, actions, pError);
}

int WaitProcess(int pPid) {
    if (pPid <= 0) return -1;
    int status = 0;
    pid_t waited;
    while ((waited = ::waitpid(pPid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (waited != pPid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool InterruptProcess(int pPid) {
    return pPid > 0 && ::kill(pPid, SIGINT) == 0;
}

std::optional<std::string> RunForOutput(const std::vector<std::string>& pCommand,
                                        const std::string& pErrPath, int& pExitStatus,
                                        std::string& pError) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        pError = std::strerror(errno);
        return std::nullopt;
    }
    int pid = -1;
    {
        SpawnActions actions;
        actions.Duplicate(pipeFds[1], STDOUT_FILENO);
        actions.OpenStreams({{}, {}, pErrPath});
        pid = Spawn(pCommand, actions, pError);
    }
    ::close(pipeFds[1]);
    if (pid < 0) {
        ::close(pipeFds[0]);
        return std::nullopt;
    }
    std::string output = ReadAll(pipeFds[0]);
    ::close(pipeFds[0]);
    pExitStatus = WaitProcess(pid);
    return output;
}

} // namespace platform
