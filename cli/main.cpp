// quillan-batch: the edit engine on the command line.

#include "cli/BatchRunner.h"
#include "cli/EngineEditor.h"
#include "cli/InfoCommand.h"
#include "cli/MediaHelper.h"
#include "cli/Options.h"
#include "cli/PanelDefaults.h"
#include "cli/Reporter.h"
#include "platform/core/Signals.h"
#include "platform/core/Terminal.h"
#include "services/core/Paths.h"

#include <cstdio>
#include <map>

#ifndef QUILLAN_VERSION
#define QUILLAN_VERSION "unknown"
#endif

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int UsageError(const std::string& message) {
    std::fprintf(stderr, "quillan-batch: %s\n%s\n", cli::PrintableText(message).c_str(),
                 cli::UsageHint().c_str());
    return kExitUsage;
}

int RunBatch(const cli::Options& options) {
    static std::atomic<int> stopSignal{0};
    platform::InstallStopHandlers(stopSignal);
    // A reader that goes away (| head) must not kill jobs halfway: writes just fail.
    platform::IgnoreBrokenPipe();
    const bool showProgress = !options.quiet && platform::IsTerminal(stderr);
    cli::Reporter reporter(options, stdout, stderr, showProgress);
    cli::BatchRunner runner(options, cli::MakeEngineEditor, cli::ExplainFailure, stopSignal);
    std::vector<cli::FileResult> results = runner.Run(reporter);
    const int signal = stopSignal.load();
    reporter.Finish(results, signal != 0);
    if (signal != 0) return platform::StopExitStatus(signal);
    for (const auto& r : results)
        if (r.result != 1) return kExitFailed;
    return 0;
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
        cli::ParseOptions(args, [&](const std::string& key, const std::string& def) {
            auto it = stored.find(key);
            return it == stored.end() ? def : it->second;
        });
    if (!parsed.error.empty()) return UsageError(parsed.error);
    const cli::Options& options = parsed.options;
    if (options.help) {
        std::fputs(cli::UsageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("quillan-batch %s\n", QUILLAN_VERSION);
        return 0;
    }
    if (options.info) return cli::RunInfo(options, stdout, stderr);
    if (!options.check && options.output == cli::OutputMode::Folder &&
        !FolderExists(cli::WithFolder(options.outputDir)))
        return UsageError("output folder '" + options.outputDir + "' does not exist");
    return RunBatch(options);
}
