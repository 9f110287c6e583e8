#include "cli/MediaHelper.h"

#include "services/core/Paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace cli {

namespace {

std::string HelperPath() {
    const std::string folder = AppFolder();
    for (const std::string& path :
         {folder + kMediaHelperName, folder + "../lib/quillan/" + kMediaHelperName})
        if (FileExists(path)) return path;
    return {};
}

// Runs the helper with the arguments and returns its output lines.
std::optional<std::vector<std::string>> RunHelper(const std::vector<std::string>& args,
                                                  std::string& error) {
    const std::string helper = HelperPath();
    if (helper.empty()) {
        error = std::string(kMediaHelperName) + " not found beside the program";
        return std::nullopt;
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    // The media framework's own chatter is not part of quillan-batch's output.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> words{helper};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, helper.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        error = std::string("cannot start ") + kMediaHelperName + ": " + std::strerror(spawned);
        return std::nullopt;
    }
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        output.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // A complete answer counts even if the helper stumbles on its way out; callers check
    // that every item was answered.
    if (output.empty() && (!WIFEXITED(status) || WEXITSTATUS(status) != 0)) {
        error = std::string(kMediaHelperName) + " failed";
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

} // namespace

std::string EscapeField(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string UnescapeField(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c;
    }
    return out;
}

std::optional<std::vector<AudioFacts>> AudioFactsOf(const std::vector<std::string>& paths,
                                                    std::string& error) {
    std::vector<std::string> args{"info"};
    args.insert(args.end(), paths.begin(), paths.end());
    auto lines = RunHelper(args, error);
    if (!lines) return std::nullopt;
    if (lines->size() != paths.size()) {
        error = std::string(kMediaHelperName) + " gave an unexpected answer";
        return std::nullopt;
    }
    std::vector<AudioFacts> facts;
    for (const auto& line : *lines) {
        auto f = SplitTabs(line);
        if (f.size() != 3) {
            error = std::string(kMediaHelperName) + " gave an unexpected answer";
            return std::nullopt;
        }
        facts.push_back({std::atoi(f[0].c_str()), std::atoi(f[1].c_str()), UnescapeField(f[2])});
    }
    return facts;
}

std::string TypeNameOf(const std::string& path) {
    std::string error;
    auto lines = RunHelper({"type", path}, error);
    return lines && lines->size() == 1 ? UnescapeField((*lines)[0]) : std::string();
}

std::optional<std::map<std::string, std::string>>
StoredSettings(const std::vector<std::string>& keys, std::string& error) {
    std::vector<std::string> args{"settings"};
    args.insert(args.end(), keys.begin(), keys.end());
    auto lines = RunHelper(args, error);
    if (!lines) return std::nullopt;
    if (lines->size() != keys.size()) {
        error = std::string(kMediaHelperName) + " gave an unexpected answer";
        return std::nullopt;
    }
    std::map<std::string, std::string> values;
    for (size_t i = 0; i < keys.size(); ++i) {
        const std::string& line = (*lines)[i];
        if (!line.empty() && line[0] == '=') values[keys[i]] = UnescapeField(line.substr(1));
    }
    return values;
}

} // namespace cli
