#include "cli/Options.h"

#include "cli/PanelDefaults.h"

#include "engine/NormModes.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>

namespace cli {

namespace {

bool WholeTextParsed(const std::string& text, const char* end) {
    return !text.empty() && end == text.c_str() + text.size();
}

struct ArgCursor {
    const std::vector<std::string>& args;
    size_t index = 0;
};

enum class Kind { Flag, Value };

struct OptionDef {
    const char* longName;
    char shortName;
    Kind kind;
    // Applies the option; returns an error text (empty on success).
    std::string (*apply)(Options& o, const std::string& value);
    // For --help: the value's name, the text (lines joined by '\n'; empty: shown with the
    // option before it), and the heading of the section the option opens.
    const char* valueName = nullptr;
    const char* help = "";
    const char* section = nullptr;
};

std::string BadValue(const std::string& what, const std::string& value) {
    return "'" + value + "' is not " + what;
}

std::string SetDb(float& field, const std::string& value) {
    auto v = ParseDb(value);
    if (!v) return BadValue("a number of dB", value);
    field = *v;
    return {};
}

std::string SetInt(int32_t& field, const std::string& value, const char* what) {
    auto v = ParseInt32(value);
    if (!v) return BadValue(what, value);
    field = *v;
    return {};
}

// Flag options: one switch of the options, or one engine argument set to a fixed value.
template <bool Options::*Field> std::string Raise(Options& o, const std::string&) {
    o.*Field = true;
    return {};
}

template <bool EditJob::*Field, bool Value> std::string SetEdit(Options& o, const std::string&) {
    o.edit.*Field = Value;
    return {};
}

// Value options that set one engine argument.
template <float EditJob::*Field> std::string EditDb(Options& o, const std::string& v) {
    return SetDb(o.edit.*Field, v);
}

template <int32_t EditJob::*Field> std::string EditMs(Options& o, const std::string& v) {
    return SetInt(o.edit.*Field, v, "a whole number of ms");
}

template <int32_t EditJob::*Field> std::string EditFrames(Options& o, const std::string& v) {
    return SetInt(o.edit.*Field, v, "a whole number of frames");
}

template <int64_t EditJob::*Field> std::string EditFrame(Options& o, const std::string& v) {
    auto frame = ParseInt64(v);
    if (!frame) return BadValue("a whole number of frames", v);
    o.edit.*Field = *frame;
    return {};
}

// A mode by its name or its number.
std::optional<NormMode> NormModeByName(const std::string& name) {
    if (auto mode = NormModeFromCliName(name)) return mode;
    for (const NormModeRow& row : kNormModes)
        if (name == std::to_string(int32_t(row.Mode))) return row.Mode;
    return std::nullopt;
}

// "peak, rms-max, ..." for messages.
std::string NormModeNames() {
    std::string names;
    for (const NormModeRow& row : kNormModes)
        names += (names.empty() ? "" : ", ") + std::string(row.CliName);
    return names;
}

const OptionDef kOptions[] = {
    {"output-dir", 'o', Kind::Value,
     [](Options& o, const std::string& v) -> std::string {
         if (v.empty()) return "the folder name is empty";
         o.outputDir = v;
         o.output = OutputMode::Folder;
         return {};
     },
     "DIR",
     "write into DIR under the source's name, numbered (name01.wav,\n"
     "name02.wav, ...) when taken; DIR must exist\n"
     "(default: beside the source under a numbered name)",
     "Where results go:"},
    {"overwrite", 0, Kind::Flag,
     [](Options& o, const std::string&) -> std::string {
         o.output = OutputMode::Overwrite;
         return {};
     },
     nullptr,
     "replace each source with its result; the source is replaced\n"
     "only when its job succeeded (default: off)"},
    {"trim", 0, Kind::Flag, SetEdit<&EditJob::Trim, true>, nullptr,
     "cut silence at the start and the end (default: on)", "Trimming:"},
    {"no-trim", 0, Kind::Flag, SetEdit<&EditJob::Trim, false>, nullptr, ""},
    {"start-threshold", 0, Kind::Value, EditDb<&EditJob::StartThresholdDb>, "DB",
     "start of sound: first frame above this level (default: -45)"},
    {"end-threshold", 0, Kind::Value, EditDb<&EditJob::EndThresholdDb>, "DB",
     "end of sound: last frame above this level (default: -45)"},
    {"start-margin", 0, Kind::Value, EditMs<&EditJob::StartMarginMs>, "MS",
     "audio kept before the first sound (default: 0)"},
    {"end-margin", 0, Kind::Value, EditMs<&EditJob::EndMarginMs>, "MS",
     "audio kept after the last sound (default: 0)"},
    {"force-margin", 0, Kind::Flag, SetEdit<&EditJob::ForceMargins, true>, nullptr,
     "pad with silence where a margin reaches past the file's start\n"
     "or end (default: off)"},
    {"normalize", 0, Kind::Value,
     [](Options& o, const std::string& v) -> std::string {
         auto mode = NormModeByName(v);
         if (!mode) return BadValue("one of " + NormModeNames(), v);
         o.edit.Normalize = true;
         o.edit.Mode = *mode;
         return {};
     },
     "MODE", "scale to the target level by MODE (default: peak):", "Normalisation:"},
    {"no-normalize", 0, Kind::Flag, SetEdit<&EditJob::Normalize, false>, nullptr,
     "no normalisation; with trimming on, a trimmed file is still\n"
     "scaled so that its peak reaches --level"},
    {"level", 0, Kind::Value, EditDb<&EditJob::NormLevelDb>, "DB",
     "target level of the normalisation (default: 0)"},
    {"rms-window", 0, Kind::Value, EditMs<&EditJob::GateMs>, "MS",
     "rms-calc: longest silence that still counts (default: 500)"},
    {"rms-threshold", 0, Kind::Value, EditDb<&EditJob::GateDb>, "DB",
     "rms-calc: level relative to the peak at or below which a frame\n"
     "counts as silence (default: -6)"},
    {"clip", 0, Kind::Flag, SetEdit<&EditJob::Clip, true>, nullptr,
     "let the gain drive peaks into saturation; without it the gain\n"
     "is limited so the peak stays within full scale (default: off)"},
    {"adjust", 0, Kind::Value,
     [](Options& o, const std::string& v) -> std::string {
         std::string error = SetDb(o.edit.AdjustLeftDb, v);
         o.edit.AdjustRightDb = o.edit.AdjustLeftDb;
         return error;
     },
     "DB", "level adjustment of both channels (default: 0)", "Level and range:"},
    {"adjust-left", 0, Kind::Value, EditDb<&EditJob::AdjustLeftDb>, "DB",
     "level adjustment of the left (or only) channel (default: 0)"},
    {"adjust-right", 0, Kind::Value, EditDb<&EditJob::AdjustRightDb>, "DB",
     "level adjustment of the right channel (default: 0)"},
    {"fade-in", 0, Kind::Value, EditFrames<&EditJob::FadeInFrames>, "FRAMES",
     "fade-in length, from -60 dB up (default: 0, none)"},
    {"fade-out", 0, Kind::Value, EditFrames<&EditJob::FadeOutFrames>, "FRAMES",
     "fade-out length, down to -60 dB (default: 0, none)"},
    {"from", 0, Kind::Value, EditFrame<&EditJob::FromFrame>, "FRAME",
     "first frame to process; 0 or less: the start (default: 0)"},
    {"to", 0, Kind::Value, EditFrame<&EditJob::ToFrame>, "FRAME",
     "end of the range (exclusive); 0 or less: the end (default: 0)"},
    {"check", 0, Kind::Flag, Raise<&Options::check>, nullptr,
     "level check only: measure each file, write nothing", "Measuring and reporting:"},
    {"json", 0, Kind::Flag, Raise<&Options::json>, nullptr,
     "one JSON object per file on stdout: source, target, result,\n"
     "error, warning, max_peak, max_rms, norm_rms, max_peak_db,\n"
     "max_rms_db, norm_rms_db (levels are measured while processing)"},
    {"info", 0, Kind::Flag, Raise<&Options::info>, nullptr,
     "print each file's title, length and format instead of editing\n"
     "(tab-separated; with --json: source, title, valid, length_ms,\n"
     "length, text)"},
    {"use-settings", 0, Kind::Flag, Raise<&Options::useSettings>, nullptr,
     "take the defaults from the window's stored panel settings;\n"
     "options given still override them"},
    {"jobs", 'j', Kind::Value,
     [](Options& o, const std::string& v) -> std::string {
         auto n = ParseInt32(v);
         if (!n || *n < 1) return BadValue("a number of jobs (1 or more)", v);
         o.jobs = *n;
         return {};
     },
     "N", "files processed in parallel (default: number of cores)"},
    {"quiet", 'q', Kind::Flag, Raise<&Options::quiet>, nullptr,
     "no progress and no summary, only errors"},
    {"help", 'h', Kind::Flag, Raise<&Options::help>, nullptr, "show this help and exit"},
    {"version", 0, Kind::Flag, Raise<&Options::version>, nullptr, "show the version and exit"},
};

const OptionDef* FindLong(const std::string& name) {
    for (const auto& def : kOptions)
        if (name == def.longName) return &def;
    return nullptr;
}

const OptionDef* FindShort(char name) {
    for (const auto& def : kOptions)
        if (def.shortName != 0 && def.shortName == name) return &def;
    return nullptr;
}

// One command-line word that starts with '-'. Consumes a following value word when the
// option takes one. Returns an error text, empty on success.
std::string ApplyOptionWord(Options& o, ArgCursor& cur) {
    const std::string& word = cur.args[cur.index];
    const OptionDef* def = nullptr;
    std::string shown;
    std::optional<std::string> attached;
    if (word.rfind("--", 0) == 0) {
        std::string name = word.substr(2);
        if (auto eq = name.find('='); eq != std::string::npos) {
            attached = name.substr(eq + 1);
            name.resize(eq);
        }
        def = FindLong(name);
        shown = "--" + name;
    } else {
        def = word.size() >= 2 ? FindShort(word[1]) : nullptr;
        shown = word.substr(0, 2);
        if (def && word.size() > 2) attached = word.substr(2);
    }
    if (!def) return "unknown option '" + (word.rfind("--", 0) == 0 ? shown : word) + "'";
    std::string value;
    if (def->kind == Kind::Value) {
        if (attached) {
            value = *attached;
        } else if (cur.index + 1 < cur.args.size()) {
            value = cur.args[++cur.index];
        } else {
            return "option '" + shown + "' needs a value";
        }
    } else if (attached) {
        return "option '" + shown + "' takes no value";
    }
    std::string error = def->apply(o, value);
    return error.empty() ? error : "option '" + shown + "': " + error;
}

bool IsOptionWord(const std::string& word) {
    return word.size() > 1 && word[0] == '-';
}

} // namespace

EditJob DefaultBatchJob() {
    EditJob job;
    job.Trim = true;
    job.StartThresholdDb = -45.0f;
    job.EndThresholdDb = -45.0f;
    job.Normalize = true;
    job.GateMs = 500;
    job.GateDb = -6.0f;
    return job;
}

bool AsksForSettings(const std::vector<std::string>& args) {
    for (const auto& a : args) {
        if (a == "--") break;
        if (a == "--use-settings") return true;
    }
    return false;
}

std::optional<float> ParseDb(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(text.c_str(), &end);
    if (!WholeTextParsed(text, end) || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
    float f = static_cast<float>(v);
    if (!std::isfinite(f)) return std::nullopt;
    return f;
}

std::optional<int64_t> ParseInt64(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (!WholeTextParsed(text, end) || errno == ERANGE) return std::nullopt;
    return static_cast<int64_t>(v);
}

std::optional<int32_t> ParseInt32(const std::string& text) {
    auto v = ParseInt64(text);
    if (!v || *v < std::numeric_limits<int32_t>::min() || *v > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(*v);
}

ParseResult ParseOptions(const std::vector<std::string>& args, const SettingReader& readSetting) {
    ParseResult r;
    Options& o = r.options;
    if (AsksForSettings(args) && readSetting) ApplyStoredPanel(o, readSetting);
    bool explicitFolder = false;
    bool explicitOverwrite = false;
    bool onlyFiles = false;
    ArgCursor cur{args};
    for (; cur.index < args.size(); ++cur.index) {
        const std::string& word = args[cur.index];
        if (onlyFiles || !IsOptionWord(word)) {
            o.files.push_back(word);
            continue;
        }
        if (word == "--") {
            onlyFiles = true;
            continue;
        }
        const bool folderWord = word == "-o" || word.rfind("--output-dir", 0) == 0 ||
                                (word.rfind("-o", 0) == 0 && word.rfind("--", 0) != 0);
        r.error = ApplyOptionWord(o, cur);
        if (!r.error.empty()) return r;
        explicitFolder = explicitFolder || folderWord;
        explicitOverwrite = explicitOverwrite || word == "--overwrite";
    }
    if (explicitFolder && explicitOverwrite) {
        r.error = "options '--overwrite' and '--output-dir' exclude each other";
        return r;
    }
    if (o.help || o.version) return r;
    if (o.files.empty()) r.error = "no input files";
    return r;
}

std::string UsageHint() {
    return "Try 'quillan-batch --help' for more information.";
}

namespace {

constexpr size_t kHelpColumn = 28; // where the option texts start
constexpr size_t kModeColumn = 30; // where the mode names start under --normalize
constexpr size_t kHelpWidth = 88;

// The left column of an option: "  -o, --output-dir DIR" or "      --overwrite".
std::string OptionLabel(const OptionDef& def, const OptionDef* alias) {
    std::string label = def.shortName ? std::string("  -") + def.shortName + ", " : "      ";
    label += std::string("--") + def.longName;
    if (alias) label += std::string(", --") + alias->longName;
    if (def.valueName) label += std::string(" ") + def.valueName;
    return label;
}

// The text indented to pColumn after a label of that width, its lines continued at pColumn.
std::string Indented(std::string pLabel, const std::string& pText, size_t pColumn) {
    pLabel.resize(std::max(pLabel.size() + 1, pColumn), ' ');
    std::string out = pLabel;
    for (char c : pText) {
        out += c;
        if (c == '\n') out += std::string(pColumn, ' ');
    }
    return out + "\n";
}

// Words of pText wrapped so that no line passes kHelpWidth when it starts at pColumn.
std::string Wrapped(const std::string& pText, size_t pColumn) {
    std::string out, line;
    size_t start = 0;
    while (start < pText.size()) {
        size_t end = pText.find(' ', start);
        if (end == std::string::npos) end = pText.size();
        const std::string word = pText.substr(start, end - start);
        if (!line.empty() && pColumn + line.size() + 1 + word.size() > kHelpWidth) {
            out += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    return out + line;
}

// One line per normalisation mode, from the mode table.
std::string ModeLines() {
    std::string lines;
    for (const NormModeRow& row : kNormModes) {
        std::string text(row.Help);
        if (row.UsesGate) text += " (see --rms-window, --rms-threshold)";
        const std::string name(row.CliName);
        lines += Indented(std::string(kModeColumn, ' ') + name, Wrapped(text, kModeColumn + 13),
                          kModeColumn + 13);
    }
    return lines;
}

} // namespace

std::string UsageText() {
    std::string text = "Usage: quillan-batch [options] FILE...\n"
                       "Edits each WAV file (8, 16 or 24 bit, mono or stereo PCM) in the order "
                       "given: trims the\n"
                       "silence at its start and end, normalises it, adjusts its level and "
                       "writes the result.\n";
    const size_t count = std::size(kOptions);
    for (size_t i = 0; i < count; ++i) {
        const OptionDef& def = kOptions[i];
        if (*def.help == '\0') continue; // shown with the option before it
        if (def.section) text += std::string("\n") + def.section + "\n";
        const OptionDef* alias =
            i + 1 < count && *kOptions[i + 1].help == '\0' ? &kOptions[i + 1] : nullptr;
        text += Indented(OptionLabel(def, alias), def.help, kHelpColumn);
        if (std::string(def.longName) == "normalize") text += ModeLines();
    }
    return text + R"(
Values are passed to the edit engine as given: dB values are decimal numbers, margins,
windows, fades and frames are whole numbers.

Exit status: 0 when every file succeeded, 1 when any failed, 2 for a usage error,
130 after Ctrl-C (143 after SIGTERM).
)";
}

} // namespace cli
