#include "cli/InfoCommand.h"

#include "cli/BatchRunner.h"
#include "cli/MediaHelper.h"
#include "cli/Reporter.h"
#include "services/core/DurationText.h"
#include "services/core/Paths.h"

namespace cli {

namespace {

std::string InfoJson(const std::string& path, const std::string& title, const AudioFacts& info) {
    return "{\"source\": " + JsonString(path) + ", \"title\": " + JsonString(title) +
           ", \"valid\": " + std::to_string(info.valid) +
           ", \"length_ms\": " + std::to_string(info.lengthMs) +
           ", \"length\": " + JsonString(DurationText(info.lengthMs)) +
           ", \"text\": " + JsonString(info.text) + "}";
}

} // namespace

int RunInfo(const Options& options, std::FILE* out, std::FILE* err) {
    int status = 0;
    std::vector<std::string> readable;
    for (const std::string& path : options.files) {
        if (std::string problem = SourceProblem(path); !problem.empty()) {
            std::fprintf(err, "quillan-batch: %s: %s\n", path.c_str(), problem.c_str());
            status = 1;
            continue;
        }
        readable.push_back(path);
    }
    if (readable.empty()) return status;
    std::string error;
    auto facts = AudioFactsOf(readable, error);
    if (!facts) {
        std::fprintf(err, "quillan-batch: cannot describe the files: %s\n", error.c_str());
        return 1;
    }
    for (size_t i = 0; i < readable.size(); ++i) {
        const std::string& path = readable[i];
        const AudioFacts& info = (*facts)[i];
        const std::string title = PathPart(path, 0, 0, 1, 0, 0);
        if (!info.valid) {
            std::fprintf(err, "quillan-batch: %s: not a sound file it can describe\n",
                         path.c_str());
            status = 1;
        }
        if (options.json)
            std::fprintf(out, "%s\n", InfoJson(path, title, info).c_str());
        else
            std::fprintf(out, "%s\t%s\t%s\n", title.c_str(), DurationText(info.lengthMs).c_str(),
                         info.text.c_str());
    }
    std::fflush(out);
    return status;
}

} // namespace cli
