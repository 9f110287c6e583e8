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
std::optional<std::vector<std::string>> RunHelper(const std::vector<std::string>& args,
                                                  std::string& error) {
    const std::string helper = HelperPath();
    if (helper.empty()) {
        error = std::string(kMediaHelperName) + " not found beside the program";
        return std::nullopt;
    }
    std::vector<std::string> command{helper};
    command.insert(command.end(), args.begin(), args.end());
    int status = -1;
    // The media framework's own chatter is not part of quillan-batch's output.
    auto output = platform::RunForOutput(command, "/dev/null", status, error);
    if (!output) {
        error = std::string("cannot start ") + kMediaHelperName + ": " + error;
        return std::nullopt;
    }
    // A complete answer counts even if the helper stumbles on its way out; callers check
    // that every item was answered.
    if (output->empty() && status != 0) {
        error = std::string(kMediaHelperName) + " failed";
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::istringstream in(*output);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The helper's answer to a command with one line per item; nothing when a line is missing.
std::optional<std::vector<std::string>>
AskHelper(const std::string& command, const std::vector<std::string>& items, std::string& error) {
    std::vector<std::string> args{command};
    args.insert(args.end(), items.begin(), items.end());
    auto lines = RunHelper(args, error);
    if (lines && lines->size() != items.size()) {
        error = UnexpectedAnswer();
        return std::nullopt;
    }
    return lines;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

} // namespace

std::string EscapeField(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string UnescapeField(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c;
    }
    return out;
}

std::optional<std::vector<AudioFacts>> AudioFactsOf(const std::vector<std::string>& paths,
                                                    std::string& error) {
    auto lines = AskHelper("info", paths, error);
    if (!lines) return std::nullopt;
    std::vector<AudioFacts> facts;
    for (const auto& line : *lines) {
        auto f = SplitTabs(line);
        if (f.size() != 3) {
            error = UnexpectedAnswer();
            return std::nullopt;
        }
        facts.push_back({std::atoi(f[0].c_str()), std::atoi(f[1].c_str()), UnescapeField(f[2])});
    }
    return facts;
}

std::optional<std::map<std::string, std::string>>
StoredSettings(const std::vector<std::string>& keys, std::string& error) {
    auto lines = AskHelper("settings", keys, error);
    if (!lines) return std::nullopt;
    std::map<std::string, std::string> values;
    for (size_t i = 0; i < keys.size(); ++i) {
        const std::string& line = (*lines)[i];
        if (!line.empty() && line[0] == '=') values[keys[i]] = UnescapeField(line.substr(1));
    }
    return values;
}

} // namespace cli
