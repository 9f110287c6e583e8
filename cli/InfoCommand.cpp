#include "cli/InfoCommand.h"

#include "engine/FailureReason.h"

#include "cli/BatchRunner.h"
#include "cli/MediaHelper.h"
#include "cli/MetadataJson.h"
#include "cli/Reporter.h"
#include "services/core/DurationText.h"
#include "services/core/Paths.h"

namespace cli {

namespace {

std::string InfoJson(const std::string& pPath, const std::string& pTitle, const AudioFacts& pInfo,
                     bool pKeepMetadata) {
    return "{\"source\": " + JsonString(pPath) + ", \"title\": " + JsonString(pTitle) +
           ", \"valid\": " + std::to_string(pInfo.Valid) +
           ", \"length_ms\": " + std::to_string(pInfo.LengthMs) +
           ", \"length\": " + JsonString(DurationText(pInfo.LengthMs)) +
           ", \"text\": " + JsonString(pInfo.Text) + MetadataJsonFields(pPath, pKeepMetadata) + "}";
}

} // namespace

int RunInfo(const Options& pOptions, std::FILE* pOut, std::FILE* pErr) {
    int status = 0;
    std::vector<std::string> readable;
    for (const std::string& path : pOptions.Files) {
        if (std::string problem = SourceProblem(path); !problem.empty()) {
            std::fprintf(pErr, "quillan-batch: %s: %s\n", path.c_str(), problem.c_str());
            status = 1;
            continue;
        }
        readable.push_back(path);
    }
    if (readable.empty()) return status;
    std::string error;
    auto facts = AudioFactsOf(readable, error);
    if (!facts) {
        std::fprintf(pErr, "quillan-batch: cannot describe the files: %s\n", error.c_str());
        return 1;
    }
    for (size_t i = 0; i < readable.size(); ++i) {
        const std::string& path = readable[i];
        const AudioFacts& info = (*facts)[i];
        const std::string title = PathPart(path, PathParts::BaseName);
        if (!info.Valid) {
            const std::string problem =
                info.Problem.empty() ? "not a sound file it can describe" : info.Problem;
            std::fprintf(pErr, "quillan-batch: %s: %s\n", PrintableText(path).c_str(),
                         PrintableText(problem).c_str());
            status = 1;
        }
        if (pOptions.Json)
            std::fprintf(pOut, "%s\n",
                         InfoJson(path, title, info, pOptions.Edit.KeepMetadata).c_str());
        else
            // A tab or line break in a name would break the row: shown escaped, as in messages.
            std::fprintf(pOut, "%s\t%s\t%s\n", PrintableText(title).c_str(),
                         DurationText(info.LengthMs).c_str(), PrintableText(info.Text).c_str());
    }
    std::fflush(pOut);
    return status;
}

} // namespace cli
