#pragma once
// Command-line options of quillan-batch and their mapping onto the edit job.

#include "cli/AlbumSets.h"
#include "cli/Shard.h"
#include "engine/EditJob.h"
#include "services/core/Originals.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// The job quillan-batch runs on every file unless options say otherwise: trim and normalise
// by peak, with the thresholds, target and rms-calc gate of engine/JobDefaults.h.
EditJob DefaultBatchJob();

enum class OutputMode { BesideSource, Folder, Overwrite };

struct Options {
    EditJob Edit = DefaultBatchJob(); // the paths stay empty: one job per file fills them
    OutputMode Output = OutputMode::BesideSource;
    std::string OutputDir;
    bool LevelGiven = false; // --level was given (else a mode's unit brings its default)
    bool Check = false;
    bool Json = false;
    bool Info = false;
    bool UseSettings = false;
    bool Quiet = false;
    bool Help = false;
    bool Version = false;
    int32_t Jobs = 0; // 0: one per core
    std::vector<std::string> Files;
    std::string FilesFrom;     // a list of more files ("-": standard input)
    bool NulSeparated = false; // its names end with NUL, not a newline
    ShardPart Shard;           // Count 0: every file
    std::string ShardRoot;     // the shard keys are paths relative to it
    bool SkipExisting = false; // leave sources alone whose complete result is there
    std::string MirrorRoot;    // results keep their folders below it
    std::string SummaryJson;   // where the run's totals go
    // Watching a folder: every WAV file that lands in WatchDir is processed.
    std::string WatchDir;
    double SettleSeconds = 2.0;       // a file's size must stay the same this long
    std::string ThenMove;             // where sources go once their result is durable
    bool ThenDelete = false;          // sources are removed once their result is durable
    bool HaveBackups = false;         // allows --then-delete
    std::string FailedDir;            // where failed sources go, with the reason beside them
    results::OriginalsRule Originals; // --overwrite: the Trash, a backup folder or nothing
    bool OriginalsGiven = false;      // --trash, --backup or --no-backup was given
    bool Undo = false;                // restore the originals of a run (Files: its journal)
    AlbumBy Album = AlbumBy::None;
    bool AlbumStrict = false; // a file that fails measuring keeps its whole set from being written
};

// Reads a stored text by key, or the given default when the key is missing.
using SettingReader = std::function<std::string(const std::string& pKey, const std::string& pDef)>;

struct ParseResult {
    cli::Options Options;
    std::string Error; // empty when the command line is valid
};

// Parses the arguments after the program name. With --use-settings the stored panel
// values become the defaults (read through readSetting); options given still win.
ParseResult ParseOptions(const std::vector<std::string>& pArgs, const SettingReader& pReadSetting);

// True when --use-settings stands before any "--" that ends the options.
bool AsksForSettings(const std::vector<std::string>& pArgs);

// What quillan-batch does, as one paragraph: the start of --help and of the manual.
std::string Summary();

// Full --help text.
std::string UsageText();

// The options as the manual lists them, in --help order: the label ("-o, --output-dir DIR"),
// the text (lines joined by '\n') and the heading of the section an option opens.
struct OptionHelpRow {
    std::string Label;
    std::string Help;
    std::string Section; // empty: the section goes on
    std::string LongName;
    std::string ValueName; // empty for a flag
};
std::vector<OptionHelpRow> OptionHelpRows();

// Short hint printed after a usage error.
std::string UsageHint();

// Number parsing of option values: the whole text must be the number.
std::optional<float> ParseDb(const std::string& pText);
std::optional<int32_t> ParseInt32(const std::string& pText);
std::optional<int64_t> ParseInt64(const std::string& pText);

} // namespace cli
