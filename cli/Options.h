#pragma once
// Command-line options of quillan-batch and their mapping onto the EditWave arguments.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// The EditWave arguments after the source and target paths, in call order.
struct EditParams {
    int64_t from = 0;
    int64_t to = 0;
    int32_t useTh = 1;
    float thIn = -45.0f;
    float thOut = -45.0f;
    int32_t startMargin = 0;
    int32_t endMargin = 0;
    int32_t forceMargin = 0;
    int32_t useNorm = 1;
    float normLevel = 0.0f;
    int32_t normMode = 0;
    int32_t rmsMsec = 500;
    float rmsDb = -6.0f;
    int32_t clip = 0;
    float adjustL = 0.0f;
    float adjustR = 0.0f;
    int32_t fadeIn = 0;
    int32_t fadeOut = 0;
};

enum class OutputMode { BesideSource, Folder, Overwrite };

struct Options {
    EditParams edit;
    OutputMode output = OutputMode::BesideSource;
    std::string outputDir;
    bool check = false;
    bool json = false;
    bool info = false;
    bool useSettings = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    int32_t jobs = 0; // 0: one per core
    std::vector<std::string> files;
};

// Reads a stored text by key, or the given default when the key is missing.
using SettingReader = std::function<std::string(const std::string& key, const std::string& def)>;

struct ParseResult {
    Options options;
    std::string error; // empty when the command line is valid
};

// Parses the arguments after the program name. With --use-settings the stored panel
// values become the defaults (read through readSetting); options given still win.
ParseResult ParseOptions(const std::vector<std::string>& args, const SettingReader& readSetting);

// True when --use-settings stands before any "--" that ends the options.
bool AsksForSettings(const std::vector<std::string>& args);

// Full --help text.
std::string UsageText();

// Short hint printed after a usage error.
std::string UsageHint();

// Number parsing of option values: the whole text must be the number.
std::optional<float> ParseDb(const std::string& text);
std::optional<int32_t> ParseInt32(const std::string& text);
std::optional<int64_t> ParseInt64(const std::string& text);

} // namespace cli
