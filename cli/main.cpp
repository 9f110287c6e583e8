// quillan-batch: the edit engine on the command line.

#include "cli/BatchRunner.h"
#include "cli/FileList.h"
#include "cli/InfoCommand.h"
#include "cli/MediaHelper.h"
#include "cli/Options.h"
#include "cli/PanelDefaults.h"
#include "cli/Reporter.h"
#include "cli/RunReport.h"
#include "cli/UndoCommand.h"
#include "cli/WatchLoop.h"
#include "platform/core/Signals.h"
#include "platform/core/Terminal.h"
#include "services/core/Paths.h"

#include <chrono>
#include <cstdio>
#include <map>

#ifndef QUILLAN_VERSION
#define QUILLAN_VERSION "unknown"
#endif

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int UsageError(const std::string& pMessage) {
    std::fprintf(stderr, "quillan-batch: %s\n%s\n", cli::PrintableText(pMessage).c_str(),
                 cli::UsageHint().c_str());
    return kExitUsage;
}

int RunWatch(const cli::Options& pOptions) {
    if (std::string error = cli::CheckWatchFolders(pOptions); !error.empty())
        return UsageError(error);
    static std::atomic<int> stopSignal{0};
    platform::InstallStopHandlers(stopSignal);
    platform::IgnoreBrokenPipe();
    return cli::RunWatch(pOptions, stopSignal, stdout, stderr);
}

int RunBatch(const cli::Options& pOptions) {
    static std::atomic<int> stopSignal{0};
    platform::InstallStopHandlers(stopSignal);
    // A reader that goes away (| head) must not kill jobs halfway: writes just fail.
    platform::IgnoreBrokenPipe();
    const bool showProgress = !pOptions.Quiet && platform::IsTerminal(stderr);
    const auto start = std::chrono::steady_clock::now();
    cli::Reporter reporter(pOptions, stdout, stderr, showProgress);
    cli::BatchRunner runner(pOptions, stopSignal);
    std::vector<cli::FileResult> results = runner.Run(reporter);
    const int signal = stopSignal.load();
    reporter.Finish(results, signal != 0);
    if (!pOptions.Quiet && !runner.JournalPath().empty())
        std::fprintf(stderr,
                     "quillan-batch: originals kept; 'quillan-batch --undo' puts them back\n");
    bool summaryFailed = false;
    if (!pOptions.SummaryJson.empty()) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::string error = cli::WriteSummaryFile(
            pOptions.SummaryJson,
            cli::SummaryJson(results, cli::MakeRunContext(pOptions), seconds, signal != 0),
            results);
        if (!error.empty()) {
            std::fprintf(stderr, "quillan-batch: %s\n", cli::PrintableText(error).c_str());
            summaryFailed = true;
        }
    }
    if (signal != 0) return platform::StopExitStatus(signal);
    for (const auto& r : results)
        if (r.Result != 1) return kExitFailed;
    return summaryFailed ? kExitFailed : 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // The stored panel is read in one go, and only when asked for.
    std::map<std::string, std::string> stored;
    if (cli::AsksForSettings(args)) {
        std::string error;
        auto values = cli::StoredSettings(cli::PanelSettingKeys(), error);
        if (!values) {
            std::fprintf(stderr, "quillan-batch: cannot read the stored settings: %s\n",
                         cli::PrintableText(error).c_str());
            return kExitFailed;
        }
        stored = std::move(*values);
    }
    cli::ParseResult parsed =
        cli::ParseOptions(args, [&](const std::string& pKey, const std::string& pDef) {
            auto it = stored.find(pKey);
            return it == stored.end() ? pDef : it->second;
        });
    if (!parsed.Error.empty()) return UsageError(parsed.Error);
    cli::Options& options = parsed.Options;
    if (options.Help) {
        std::fputs(cli::UsageText().c_str(), stdout);
        return 0;
    }
    if (options.Version) {
        std::printf("quillan-batch %s\n", QUILLAN_VERSION);
        return 0;
    }
    if (options.Undo) return cli::RunUndo(options, stdout, stderr);
    if (std::string error = cli::PrepareFileList(options, stdin); !error.empty())
        return UsageError(error);
    if (options.Info) return cli::RunInfo(options, stdout, stderr);
    if (!options.Check && options.Output == cli::OutputMode::Folder &&
        !FolderExists(cli::WithFolder(options.OutputDir)))
        return UsageError("output folder '" + options.OutputDir + "' does not exist");
    if (!options.WatchDir.empty()) return RunWatch(options);
    return RunBatch(options);
}
