#include "CliTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace clitest {

ScratchDir::ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "quillan-cli-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

namespace {

void PutLE(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace

void WriteWav16(const std::string& path, int channels, int rate, int64_t frames,
                const std::function<int16_t(int64_t, int)>& sample) {
    const uint32_t dataSize = static_cast<uint32_t>(frames * channels * 2);
    std::string h = "RIFF";
    PutLE(h, 36 + dataSize, 4);
    h += "WAVEfmt ";
    PutLE(h, 16, 4);
    PutLE(h, 1, 2);
    PutLE(h, static_cast<uint32_t>(channels), 2);
    PutLE(h, static_cast<uint32_t>(rate), 4);
    PutLE(h, static_cast<uint32_t>(rate * channels * 2), 4);
    PutLE(h, static_cast<uint32_t>(channels * 2), 2);
    PutLE(h, 16, 2);
    h += "data";
    PutLE(h, dataSize, 4);
    std::ofstream out(path, std::ios::binary);
    out << h;
    std::string block;
    for (int64_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c)
            PutLE(block, static_cast<uint16_t>(sample(f, c)), 2);
        if (block.size() >= 1 << 16) {
            out << block;
            block.clear();
        }
    }
    out << block;
}

void WriteToneWav(const std::string& path, int channels, int rate, int64_t frames,
                  int16_t amplitude) {
    const int64_t quiet = frames / 10;
    WriteWav16(path, channels, rate, frames, [=](int64_t f, int c) -> int16_t {
        if (f < quiet || f >= frames - quiet) return 0;
        const double phase = 2.0 * M_PI * 440.0 * static_cast<double>(f) / rate + c;
        return static_cast<int16_t>(std::lround(amplitude * std::sin(phase)));
    });
}

std::vector<char> ReadBytes(const std::string& path) {
    std::string s = Slurp(path);
    return {s.begin(), s.end()};
}

void WriteBytes(const std::string& path, const std::vector<char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string BatchBinary() {
    const char* dir = std::getenv("QUILLAN_BINARY_DIR");
    return std::string(dir ? dir : ".") + "/cli/quillan-batch";
}

Spawned SpawnBatch(const std::vector<std::string>& args, const std::string& logFolder) {
    static int counter = 0;
    Spawned s;
    const std::string tag = std::to_string(::getpid()) + "-" + std::to_string(++counter);
    s.outFile = logFolder + "/stdout-" + tag;
    s.errFile = logFolder + "/stderr-" + tag;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, s.outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, s.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<std::string> words{BatchBinary()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    s.pid = pid;
    return s;
}

RunResult WaitBatch(const Spawned& child) {
    RunResult r;
    int status = 0;
    if (child.pid > 0 && ::waitpid(child.pid, &status, 0) == child.pid)
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = Slurp(child.outFile);
    r.err = Slurp(child.errFile);
    ::unlink(child.outFile.c_str());
    ::unlink(child.errFile.c_str());
    return r;
}

RunResult RunBatch(const std::vector<std::string>& args) {
    // Logs go to the temp folder, never into a folder a test lists.
    return WaitBatch(SpawnBatch(args, fs::temp_directory_path().string()));
}

} // namespace clitest
