#include "cli/MediaHelper.h"

#include "platform/core/Process.h"
#include "services/core/Paths.h"

#include <sstream>

namespace cli {

namespace {

std::string UnexpectedAnswer() {
    return std::string(kMediaHelperName) + " gave an unexpected answer";
}

std::string HelperPath() {
    const std::string folder = AppFolder();
    for (const std::string& path :
         {folder + kMediaHelperName, folder + "../lib/quillan/" + kMediaHelperName})
        if (FileExists(path)) return path;
    return {};
}

// Runs the helper with the arguments and returns its output lines.
std::optional<std::vector<std::string>> RunHelper(const std::vector<std::string>& pArgs,
                                                  std::string& pError) {
    const std::string helper = HelperPath();
    if (helper.empty()) {
        pError = std::string(kMediaHelperName) + " not found beside the program";
        return std::nullopt;
    }
    std::vector<std::string> command{helper};
    command.insert(command.end(), pArgs.begin(), pArgs.end());
    int status = -1;
    // The media framework's own chatter is not part of quillan-batch's output.
    auto output = platform::RunForOutput(command, "/dev/null", status, pError);
    if (!output) {
        pError = std::string("cannot start ") + kMediaHelperName + ": " + pError;
        return std::nullopt;
    }
    // A complete answer counts even if the helper stumbles on its way out; callers check
    // that every item was answered.
    if (output->empty() && status != 0) {
        pError = std::string(kMediaHelperName) + " failed";
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::istringstream in(*output);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The helper's answer to a command with one line per item; nothing when a line is missing.
std::optional<std::vector<std::string>> AskHelper(const std::string& pCommand,
                                                  const std::vector<std::string>& pItems,
                                                  std::string& pError) {
    std::vector<std::string> args{pCommand};
    args.insert(args.end(), pItems.begin(), pItems.end());
    auto lines = RunHelper(args, pError);
    if (lines && lines->size() != pItems.size()) {
        pError = UnexpectedAnswer();
        return std::nullopt;
    }
    return lines;
}

std::vector<std::string> SplitTabs(const std::string& pLine) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = pLine.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(pLine.substr(start, tab - start));
    fields.push_back(pLine.substr(start));
    return fields;
}

} // namespace

std::optional<std::vector<AudioFacts>> AudioFactsOf(const std::vector<std::string>& pPaths,
                                                    std::string& pError) {
    auto lines = AskHelper("info", pPaths, pError);
    if (!lines) return std::nullopt;
    std::vector<AudioFacts> facts;
    for (const auto& line : *lines) {
        auto f = SplitTabs(line);
        if (f.size() != 4) {
            pError = UnexpectedAnswer();
            return std::nullopt;
        }
        facts.push_back({std::atoi(f[0].c_str()), std::atoi(f[1].c_str()), UnescapeField(f[2]),
                         UnescapeField(f[3])});
    }
    return facts;
}

std::optional<std::map<std::string, std::string>>
StoredSettings(const std::vector<std::string>& pKeys, std::string& pError) {
    auto lines = AskHelper("settings", pKeys, pError);
    if (!lines) return std::nullopt;
    std::map<std::string, std::string> values;
    for (size_t i = 0; i < pKeys.size(); ++i) {
        const std::string& line = (*lines)[i];
        if (!line.empty() && line[0] == '=') values[pKeys[i]] = UnescapeField(line.substr(1));
    }
    return values;
}

} // namespace cli
