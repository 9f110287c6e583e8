// What the store's open-per-value and the log's open-per-line cost, against
// one QSettings object and one stream kept open for the same work.

#include "services/core/DurationText.h"
#include "services/core/ErrorLog.h"
#include "services/store/Settings.h"

#include <QSettings>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The values the window reads at start-up.
const std::vector<std::string> kStartupKeys = {
    "TrimLevelIn", "TrimLevelOut", "PeakLevel", "LevelAdjust", "0Use",      "1Use",
    "2Use",        "0Margin",      "1Margin",   "NormMode",    "RMSmsec",   "RMSdb",
    "Clip",        "OW",           "SoundPath", "WindowLeft",  "WindowTop", "WindowState",
    "LogError",    "ErrorCatch",   "LangMode"};

std::string BenchFolder() {
    static const std::string folder = [] {
        std::string pattern = std::filesystem::temp_directory_path() / "quillan-bench-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        setenv("XDG_CONFIG_HOME", (pattern + "/config").c_str(), 1);
        for (size_t i = 0; i < kStartupKeys.size(); ++i)
            WriteSetting(kStartupKeys[i], int32_t(i));
        return pattern;
    }();
    return folder;
}

void BM_StartupReadsOnePerOpen(benchmark::State& pState) {
    BenchFolder();
    for (auto _ : pState)
        for (const std::string& key : kStartupKeys)
            benchmark::DoNotOptimize(ReadSetting(key, 0));
}
BENCHMARK(BM_StartupReadsOnePerOpen);

void BM_StartupReadsBaselineKeptOpen(benchmark::State& pState) {
    BenchFolder();
    const QString file = QString::fromStdString(SettingsFilePath());
    for (auto _ : pState) {
        QSettings store(file, QSettings::IniFormat);
        for (const std::string& key : kStartupKeys)
            benchmark::DoNotOptimize(store.value(QString::fromStdString(key)).toString());
    }
}
BENCHMARK(BM_StartupReadsBaselineKeptOpen);

void BM_LogLineOpenPerLine(benchmark::State& pState) {
    const std::string program = BenchFolder() + "/program/";
    std::filesystem::create_directories(program);
    for (auto _ : pState)
        WriteLogIn(program, "graph: no renderer for the file", 1, 1);
}
BENCHMARK(BM_LogLineOpenPerLine);

void BM_LogLineBaselineKeptOpen(benchmark::State& pState) {
    std::ofstream out(BenchFolder() + "/kept.err", std::ios::binary | std::ios::app);
    for (auto _ : pState) {
        out << LogTimestamp() << ' ' << "graph: no renderer for the file"
            << "\r\n";
        out.flush();
    }
}
BENCHMARK(BM_LogLineBaselineKeptOpen);

} // namespace
