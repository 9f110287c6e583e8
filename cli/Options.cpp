#include "cli/Options.h"

#include "cli/PanelDefaults.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
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

template <int32_t EditParams::*Field, int32_t Value>
std::string SetEdit(Options& o, const std::string&) {
    o.edit.*Field = Value;
    return {};
}

// Value options that set one engine argument.
template <float EditParams::*Field> std::string EditDb(Options& o, const std::string& v) {
    return SetDb(o.edit.*Field, v);
}

template <int32_t EditParams::*Field> std::string EditMs(Options& o, const std::string& v) {
    return SetInt(o.edit.*Field, v, "a whole number of ms");
}

template <int32_t EditParams::*Field> std::string EditFrames(Options& o, const std::string& v) {
    return SetInt(o.edit.*Field, v, "a whole number of frames");
}

template <int64_t EditParams::*Field> std::string EditFrame(Options& o, const std::string& v) {
    auto frame = ParseInt64(v);
    if (!frame) return BadValue("a whole number of frames", v);
    o.edit.*Field = *frame;
    return {};
}

std::optional<int32_t> NormModeByName(const std::string& name) {
    static const char* const names[] = {"peak", "rms-max", "rms-average", "rms-calc"};
    for (int32_t i = 0; i < 4; ++i)
        if (name == names[i] || name == std::to_string(i)) return i;
    return std::nullopt;
}

const OptionDef kOptions[] = {
    {"output-dir", 'o', Kind::Value,
     [](Options& o, const std::string& v) -> std::string {
         if (v.empty()) return "the folder name is empty";
         o.outputDir = v;
         o.output = OutputMode::Folder;
         return {};
     }},
    {"overwrite", 0, Kind::Flag,
     [](Options& o, const std::string&) -> std::string {
         o.output = OutputMode::Overwrite;
         return {};
     }},
    {"trim", 0, Kind::Flag, SetEdit<&EditParams::useTh, 1>},
    {"no-trim", 0, Kind::Flag, SetEdit<&EditParams::useTh, 0>},
    {"start-threshold", 0, Kind::Value, EditDb<&EditParams::thIn>},
    {"end-threshold", 0, Kind::Value, EditDb<&EditParams::thOut>},
    {"start-margin", 0, Kind::Value, EditMs<&EditParams::startMargin>},
    {"end-margin", 0, Kind::Value, EditMs<&EditParams::endMargin>},
    {"force-margin", 0, Kind::Flag, SetEdit<&EditParams::forceMargin, 1>},
    {"normalize", 0, Kind::Value,
     [](Options& o, const std::string& v) -> std::string {
         auto mode = NormModeByName(v);
         if (!mode) return BadValue("one of peak, rms-max, rms-average, rms-calc", v);
         o.edit.useNorm = 1;
         o.edit.normMode = *mode;
         return {};
     }},
    {"no-normalize", 0, Kind::Flag, SetEdit<&EditParams::useNorm, 0>},
    {"level", 0, Kind::Value, EditDb<&EditParams::normLevel>},
    {"rms-window", 0, Kind::Value, EditMs<&EditParams::rmsMsec>},
    {"rms-threshold", 0, Kind::Value, EditDb<&EditParams::rmsDb>},
    {"clip", 0, Kind::Flag, SetEdit<&EditParams::clip, 1>},
    {"adjust", 0, Kind::Value,
     [](Options& o, const std::string& v) -> std::string {
         std::string error = SetDb(o.edit.adjustL, v);
         o.edit.adjustR = o.edit.adjustL;
         return error;
     }},
    {"adjust-left", 0, Kind::Value, EditDb<&EditParams::adjustL>},
    {"adjust-right", 0, Kind::Value, EditDb<&EditParams::adjustR>},
    {"fade-in", 0, Kind::Value, EditFrames<&EditParams::fadeIn>},
    {"fade-out", 0, Kind::Value, EditFrames<&EditParams::fadeOut>},
    {"from", 0, Kind::Value, EditFrame<&EditParams::from>},
    {"to", 0, Kind::Value, EditFrame<&EditParams::to>},
    {"check", 0, Kind::Flag, Raise<&Options::check>},
    {"json", 0, Kind::Flag, Raise<&Options::json>},
    {"info", 0, Kind::Flag, Raise<&Options::info>},
    {"use-settings", 0, Kind::Flag, Raise<&Options::useSettings>},
    {"jobs", 'j', Kind::Value,
     [](Options& o, const std::string& v) -> std::string {
         auto n = ParseInt32(v);
         if (!n || *n < 1) return BadValue("a number of jobs (1 or more)", v);
         o.jobs = *n;
         return {};
     }},
    {"quiet", 'q', Kind::Flag, Raise<&Options::quiet>},
    {"help", 'h', Kind::Flag, Raise<&Options::help>},
    {"version", 0, Kind::Flag, Raise<&Options::version>},
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

std::string UsageText() {
    return R"(Usage: quillan-batch [options] FILE...
Edits each WAV file (8, 16 or 24 bit, mono or stereo PCM) in the order given: trims the
silence at its start and end, normalises it, adjusts its level and writes the result.

Where results go:
  -o, --output-dir DIR      write into DIR under the source's name, numbered (name01.wav,
                            name02.wav, ...) when taken; DIR must exist
                            (default: beside the source under a numbered name)
      --overwrite           replace each source with its result; the source is replaced
                            only when its job succeeded (default: off)

Trimming:
      --trim, --no-trim     cut silence at the start and the end (default: on)
      --start-threshold DB  start of sound: first frame above this level (default: -45)
      --end-threshold DB    end of sound: last frame above this level (default: -45)
      --start-margin MS     audio kept before the first sound (default: 0)
      --end-margin MS       audio kept after the last sound (default: 0)
      --force-margin        pad with silence where a margin reaches past the file's start
                            or end (default: off)

Normalisation:
      --normalize MODE      scale to the target level by MODE (default: peak):
                              peak         the highest sample
                              rms-max      the loudest 0.3-second block
                              rms-average  the RMS of the trimmed range
                              rms-calc     the RMS of the trimmed range without long
                                           silences (see --rms-window, --rms-threshold)
      --no-normalize        no normalisation; with trimming on, a trimmed file is still
                            scaled so that its peak reaches --level
      --level DB            target level of the normalisation (default: 0)
      --rms-window MS       rms-calc: longest silence that still counts (default: 500)
      --rms-threshold DB    rms-calc: level relative to the peak at or below which a frame
                            counts as silence (default: -6)
      --clip                let the gain drive peaks into saturation; without it the gain
                            is limited so the peak stays within full scale (default: off)

Level and range:
      --adjust DB           level adjustment of both channels (default: 0)
      --adjust-left DB      level adjustment of the left (or only) channel (default: 0)
      --adjust-right DB     level adjustment of the right channel (default: 0)
      --fade-in FRAMES      fade-in length, from -60 dB up (default: 0, none)
      --fade-out FRAMES     fade-out length, down to -60 dB (default: 0, none)
      --from FRAME          first frame to process; 0 or less: the start (default: 0)
      --to FRAME            end of the range (exclusive); 0 or less: the end (default: 0)

Measuring and reporting:
      --check               level check only: measure each file, write nothing
      --json                one JSON object per file on stdout: source, target, result,
                            error, max_peak, max_rms, norm_rms, max_peak_db, max_rms_db,
                            norm_rms_db (levels are measured while processing)
      --info                print each file's title, length and format instead of editing
                            (tab-separated; with --json: source, title, valid, length_ms,
                            length, text)
      --use-settings        take the defaults from the window's stored panel settings;
                            options given still override them
  -j, --jobs N              files processed in parallel (default: number of cores)
  -q, --quiet               no progress and no summary, only errors
  -h, --help                show this help and exit
      --version             show the version and exit

Values are passed to the edit engine as given: dB values are decimal numbers, margins,
windows, fades and frames are whole numbers.

Exit status: 0 when every file succeeded, 1 when any failed, 2 for a usage error,
130 after Ctrl-C (143 after SIGTERM).
)";
}

} // namespace cli
