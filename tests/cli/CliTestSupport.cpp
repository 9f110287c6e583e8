#include "CliTestSupport.h"

#include "WavGen.h"
#include "platform/core/Process.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

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

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace

void WriteToneWav(const std::string& path, int channels, int rate, int64_t frames,
                  int16_t amplitude) {
    const double seconds = static_cast<double>(frames) / rate;
    WavGenOptions o;
    o.Rate = rate;
    o.Channels = channels;
    o.Seconds = seconds * 0.8;
    o.LeadSilence = o.TailSilence = seconds * 0.1;
    o.PeakDb = 20.0 * std::log10(amplitude / 32768.0);
    o.Seed = static_cast<uint32_t>(amplitude);
    if (!GenerateWav(path, o)) throw std::runtime_error("cannot write " + path);
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
    if (const char* dir = std::getenv("QUILLAN_BINARY_DIR"))
        return std::string(dir) + "/cli/quillan-batch";
    return QUILLAN_BATCH_PATH;
}

Spawned SpawnBatch(const std::vector<std::string>& args, const std::string& logFolder) {
    static int counter = 0;
    Spawned s;
    const std::string tag =
        std::to_string(platform::CurrentProcessId()) + "-" + std::to_string(++counter);
    s.outFile = logFolder + "/stdout-" + tag;
    s.errFile = logFolder + "/stderr-" + tag;
    std::vector<std::string> command{BatchBinary()};
    command.insert(command.end(), args.begin(), args.end());
    std::string error;
    s.pid = platform::StartProcess(command, {"/dev/null", s.outFile, s.errFile}, error);
    return s;
}

RunResult WaitBatch(const Spawned& child) {
    RunResult r;
    r.status = platform::WaitProcess(child.pid);
    r.out = Slurp(child.outFile);
    r.err = Slurp(child.errFile);
    std::error_code ignored;
    fs::remove(child.outFile, ignored);
    fs::remove(child.errFile, ignored);
    return r;
}

RunResult RunBatch(const std::vector<std::string>& args) {
    // Logs go to the temp folder, never into a folder a test lists.
    return WaitBatch(SpawnBatch(args, fs::temp_directory_path().string()));
}

} // namespace clitest
