// quillan-batch-media: answers quillan-batch's questions that need the media framework or
// the settings store, one line per item on stdout.
//   info PATH...      valid <tab> length in ms <tab> format text <tab> problem
//   type PATH         the file-type description
//   settings KEY...   "=value" for a stored value, "-" for a missing one

#include "cli/MediaHelper.h"
#include "media/FCT_AudioInf.h"
#include "services/store/Settings.h"

#include <cstdio>
#include <string>

namespace {

// A default no stored value can have (values are trimmed): tells missing from stored.
constexpr const char* kMissing = "\x01 missing";

// Sanitizer builds: the media framework keeps caches for the life of the process.
// The name is the one the leak checker looks up.
extern "C" const char* __lsan_default_suppressions() { // NOLINT(bugprone-reserved-identifier)
    return "leak:libglib-2.0\nleak:libgobject-2.0\nleak:libgstreamer-1.0\n";
}

void PrintLine(const std::string& pLine) {
    std::printf("%s\n", pLine.c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string item = argv[i];
        if (command == "info") {
            const AudioInfo info = GetAudioInfo(item);
            PrintLine(std::to_string(info.Valid) + "\t" + std::to_string(info.LengthMs) + "\t" +
                      cli::EscapeField(info.Text) + "\t" + cli::EscapeField(info.Problem));
        } else if (command == "type") {
            PrintLine(cli::EscapeField(GetShellTypeName(item)));
        } else if (command == "settings") {
            const std::string value = ReadSettingText(item, kMissing);
            PrintLine(value == kMissing ? "-" : "=" + cli::EscapeField(value));
        } else {
            return 2;
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
