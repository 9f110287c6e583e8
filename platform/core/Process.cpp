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
    SpawnActions() { posix_spawn_file_actions_init(&m_actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    void Open(int fd, const std::string& path, int flags) {
        if (!path.empty())
            posix_spawn_file_actions_addopen(&m_actions, fd, path.c_str(), flags, 0644);
    }
    void Duplicate(int from, int to) { posix_spawn_file_actions_adddup2(&m_actions, from, to); }
    void OpenStreams(const ChildStreams& streams) {
        const int writeFlags = O_WRONLY | O_CREAT | O_TRUNC;
        Open(STDIN_FILENO, streams.in, O_RDONLY);
        Open(STDOUT_FILENO, streams.out, writeFlags);
        Open(STDERR_FILENO, streams.err, writeFlags);
    }
    const posix_spawn_file_actions_t* Get() const { return &m_actions; }

  private:
    posix_spawn_file_actions_t m_actions;
};

int Spawn(const std::vector<std::string>& command, const SpawnActions& actions,
          std::string& error) {
    if (command.empty()) {
        error = "no program given";
        return -1;
    }
    std::vector<std::string> words = command;
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], actions.Get(), nullptr, argv.data(), environ);
    if (failed != 0) {
        error = std::strerror(failed);
        return -1;
    }
    return pid;
}

std::string ReadAll(int fd) {
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
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

int StartProcess(const std::vector<std::string>& command, const ChildStreams& streams,
                 std::string& error) {
    SpawnActions actions;
    actions.OpenStreams(streams);
    return Spawn(command, actions, error);
}

int WaitProcess(int pid) {
    if (pid <= 0) return -1;
    int status = 0;
    pid_t waited;
    while ((waited = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (waited != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool InterruptProcess(int pid) {
    return pid > 0 && ::kill(pid, SIGINT) == 0;
}

std::optional<std::string> RunForOutput(const std::vector<std::string>& command,
                                        const std::string& errPath, int& exitStatus,
                                        std::string& error) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    int pid = -1;
    {
        SpawnActions actions;
        actions.Duplicate(pipeFds[1], STDOUT_FILENO);
        actions.OpenStreams({{}, {}, errPath});
        pid = Spawn(command, actions, error);
    }
    ::close(pipeFds[1]);
    if (pid < 0) {
        ::close(pipeFds[0]);
        return std::nullopt;
    }
    std::string output = ReadAll(pipeFds[0]);
    ::close(pipeFds[0]);
    exitStatus = WaitProcess(pid);
    return output;
}

} // namespace platform
