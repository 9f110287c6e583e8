#include "cli/InfoCommand.h"

#include "cli/Reporter.h"
#include "media/FCT_AudioInf.h"
#include "services/core/DurationText.h"
#include "services/core/Paths.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace cli {

namespace {

std::string InfoJson(const std::string& path, const std::string& title, const AudioInfo& info) {
    return "{\"source\": " + JsonString(path) + ", \"title\": " + JsonString(title) +
           ", \"valid\": " + std::to_string(info.Valid) +
           ", \"length_ms\": " + std::to_string(info.LengthMs) +
           ", \"length\": " + JsonString(DurationText(info.LengthMs)) +
           ", \"text\": " + JsonString(info.Text) + "}";
}

} // namespace

int RunInfo(const Options& options, std::FILE* out, std::FILE* err) {
    int status = 0;
    for (const std::string& path : options.files) {
        struct stat st {};
        const int statResult = ::stat(path.c_str(), &st);
        if (statResult != 0 || !S_ISREG(st.st_mode)) {
            const std::string reason = statResult == 0   ? "not a regular file"
                                       : errno == ENOENT ? "missing"
                                                         : std::strerror(errno);
            std::fprintf(err, "quillan-batch: %s: %s\n", path.c_str(), reason.c_str());
            status = 1;
            continue;
        }
        const AudioInfo info = GetAudioInfo(path);
        const std::string title = PathPart(path, 0, 0, 1, 0, 0);
        if (!info.Valid) {
            std::fprintf(err, "quillan-batch: %s: not a sound file it can describe\n",
                         path.c_str());
            status = 1;
        }
        if (options.json)
            std::fprintf(out, "%s\n", InfoJson(path, title, info).c_str());
        else
            std::fprintf(out, "%s\t%s\t%s\n", title.c_str(), DurationText(info.LengthMs).c_str(),
                         info.Text.c_str());
    }
    std::fflush(out);
    return status;
}

} // namespace cli
