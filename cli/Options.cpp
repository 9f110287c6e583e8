#include "cli/Options.h"

#include "cli/PanelDefaults.h"

#include "engine/JobDefaults.h"
#include "engine/NormModes.h"
#include "services/core/SettingText.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <limits>

namespace cli {

namespace {

bool WholeTextParsed(const std::string& pText, const char* pEnd) {
    return !pText.empty() && pEnd == pText.c_str() + pText.size();
}

struct ArgCursor {
    const std::vector<std::string>& Args;
    size_t Index = 0;
};

enum class Kind { Flag, Value };

struct OptionDef {
    const char* LongName;
    char ShortName;
    cli::Kind Kind;
    // Applies the option; returns an error text (empty on success).
    std::string (*Apply)(Options& pO, const std::string& pValue);
    // For --help: the value's name, the text (lines joined by '\n'; empty: shown with the
    // option before it), and the heading of the section the option opens.
    const char* ValueName = nullptr;
    std::string Help;
    const char* Section = nullptr;
};

std::string BadValue(const std::string& pWhat, const std::string& pValue) {
    return "'" + pValue + "' is not " + pWhat;
}

std::string SetDb(float& pField, const std::string& pValue) {
    auto v = ParseDb(pValue);
    if (!v) return BadValue("a number of dB", pValue);
    pField = *v;
    return {};
}

// A target level, ceiling or adjustment: beyond kGainLimitDb no gain is left to tell apart.
std::string SetGainDb(float& pField, const std::string& pValue) {
    auto v = ParseDb(pValue);
    if (!v) return BadValue("a number of dB", pValue);
    if (std::fabs(*v) > kGainLimitDb) return "'" + pValue + "' is out of range (-770 to 770 dB)";
    pField = *v;
    return {};
}

std::string SetInt(int32_t& pField, const std::string& pValue, const char* pWhat,
                   int32_t pMin = INT32_MIN, int32_t pMax = INT32_MAX) {
    auto v = ParseInt32(pValue);
    if (!v) return BadValue(pWhat, pValue);
    if (*v < pMin || *v > pMax)
        return "'" + pValue + "' is out of range (" + std::to_string(pMin) + " to " +
               std::to_string(pMax) + ")";
    pField = *v;
    return {};
}

// The RMS window stays within ten minutes: in frames it then fits 32 bits at any sampling
// rate a recorder writes.
constexpr int32_t kMaxGateMs = 600000;

// Flag options: one switch of the options, or one engine argument set to a fixed value.
template <bool Options::*Field> std::string Raise(Options& pO, const std::string&) {
    pO.*Field = true;
    return {};
}

template <std::string Options::*Field> std::string SetText(Options& pO, const std::string& pV) {
    if (pV.empty()) return "the name is empty";
    pO.*Field = pV;
    return {};
}

template <results::KeepOriginal Keep> std::string KeepOriginals(Options& pO, const std::string&) {
    pO.Originals.Keep = Keep;
    pO.OriginalsGiven = true;
    return {};
}

template <bool EditJob::*Field, bool Value> std::string SetEdit(Options& pO, const std::string&) {
    pO.Edit.*Field = Value;
    return {};
}

// Value options that set one engine argument.
template <float EditJob::*Field> std::string EditDb(Options& pO, const std::string& pV) {
    return SetDb(pO.Edit.*Field, pV);
}

template <float EditJob::*Field> std::string EditGainDb(Options& pO, const std::string& pV) {
    return SetGainDb(pO.Edit.*Field, pV);
}

template <int32_t EditJob::*Field> std::string EditMs(Options& pO, const std::string& pV) {
    return SetInt(pO.Edit.*Field, pV, "a whole number of ms");
}

template <int32_t EditJob::*Field> std::string EditFrames(Options& pO, const std::string& pV) {
    return SetInt(pO.Edit.*Field, pV, "a whole number of frames");
}

template <int64_t EditJob::*Field> std::string EditFrame(Options& pO, const std::string& pV) {
    auto frame = ParseInt64(pV);
    if (!frame) return BadValue("a whole number of frames", pV);
    pO.Edit.*Field = *frame;
    return {};
}

// A mode by its name or its number.
std::optional<NormMode> NormModeByName(const std::string& pName) {
    if (auto mode = NormModeFromCliName(pName)) return mode;
    for (const NormModeRow& row : kNormModes)
        if (pName == std::to_string(int32_t(row.Mode))) return row.Mode;
    return std::nullopt;
}

// "peak, rms-max, ..." for messages.
std::string NormModeNames() {
    std::string names;
    for (const NormModeRow& row : kNormModes)
        names += (names.empty() ? "" : ", ") + std::string(row.CliName);
    return names;
}

// "(default: -45)" from the value the job takes.
std::string Default(float pValue) {
    return "(default: " + ToSettingText(pValue) + ")";
}

const OptionDef kOptions[] = {
    {"output-dir", 'o', Kind::Value,
     [](Options& pO, const std::string& pV) -> std::string {
         if (pV.empty()) return "the folder name is empty";
         pO.OutputDir = pV;
         pO.Output = OutputMode::Folder;
         return {};
     },
     "DIR",
     "write into DIR under the source's name, numbered (name01.wav,\n"
     "name02.wav, ...) when taken; DIR must exist\n"
     "(default: beside the source under a numbered name)",
     "Where results go:"},
    {"overwrite", 0, Kind::Flag,
     [](Options& pO, const std::string&) -> std::string {
         pO.Output = OutputMode::Overwrite;
         return {};
     },
     nullptr,
     "replace each source with its result; the source is replaced\n"
     "only when its job succeeded (default: off)"},
    {"trash", 0, Kind::Flag, KeepOriginals<results::KeepOriginal::Trash>, nullptr,
     "with --overwrite: move each original to the Trash of its file\n"
     "system, where a file manager restores it (default); a file\n"
     "whose original cannot go there is not replaced"},
    {"backup", 0, Kind::Value,
     [](Options& pO, const std::string& pV) -> std::string {
         if (pV.empty()) return "the folder name is empty";
         pO.Originals.BackupDir = pV;
         return KeepOriginals<results::KeepOriginal::Backup>(pO, pV);
     },
     "DIR",
     "with --overwrite: copy each original into DIR instead, under\n"
     "its absolute path (DIR/home/me/take.wav)"},
    {"no-backup", 0, Kind::Flag, KeepOriginals<results::KeepOriginal::None>, nullptr,
     "with --overwrite: keep no original (no undo)"},
    {"undo", 0, Kind::Flag, Raise<&Options::Undo>, nullptr,
     "quillan-batch --undo [JOURNAL]: put back the originals that\n"
     "the last run (or the run of JOURNAL) replaced, unless a result\n"
     "was changed since; a second undo does nothing"},
    {"no-metadata", 0, Kind::Flag, SetEdit<&EditJob::KeepMetadata, false>, nullptr,
     "give results a bare header: the source's tags, broadcast\n"
     "extension, cue points, loops and other chunks are left out\n"
     "(default: kept, adjusted to the edit)"},
    {"trim", 0, Kind::Flag, SetEdit<&EditJob::Trim, true>, nullptr,
     "cut silence at the start and the end (default: on)", "Trimming:"},
    {"no-trim", 0, Kind::Flag, SetEdit<&EditJob::Trim, false>, nullptr, ""},
    {"start-threshold", 0, Kind::Value, EditDb<&EditJob::StartThresholdDb>, "DB",
     "start of sound: first frame above this level " + Default(DefaultBatchJob().StartThresholdDb)},
    {"end-threshold", 0, Kind::Value, EditDb<&EditJob::EndThresholdDb>, "DB",
     "end of sound: last frame above this level " + Default(DefaultBatchJob().EndThresholdDb)},
    {"start-margin", 0, Kind::Value, EditMs<&EditJob::StartMarginMs>, "MS",
     "audio kept before the first sound (default: 0)"},
    {"end-margin", 0, Kind::Value, EditMs<&EditJob::EndMarginMs>, "MS",
     "audio kept after the last sound (default: 0)"},
    {"force-margin", 0, Kind::Flag, SetEdit<&EditJob::ForceMargins, true>, nullptr,
     "pad with silence where a margin reaches past the file's start\n"
     "or end (default: off)"},
    {"normalize", 0, Kind::Value,
     [](Options& pO, const std::string& pV) -> std::string {
         auto mode = NormModeByName(pV);
         if (!mode) return BadValue("one of " + NormModeNames(), pV);
         // A target in another unit: that unit's default unless --level gives one.
         const bool loudness = NormModeInfo(*mode).ByLoudness;
         if (!pO.LevelGiven && loudness != NormModeInfo(pO.Edit.Mode).ByLoudness)
             pO.Edit.NormLevelDb = loudness ? kLoudnessTargetDefaultLufs : kLevelTargetDefaultDb;
         pO.Edit.Normalize = true;
         pO.Edit.Mode = *mode;
         return {};
     },
     "MODE", "scale to the target level by MODE (default: peak):", "Normalisation:"},
    {"no-normalize", 0, Kind::Flag, SetEdit<&EditJob::Normalize, false>, nullptr,
     "no normalisation; with trimming on, a trimmed file is still\n"
     "scaled so that its peak reaches --level"},
    {"level", 0, Kind::Value,
     [](Options& pO, const std::string& pV) -> std::string {
         pO.LevelGiven = true;
         return SetGainDb(pO.Edit.NormLevelDb, pV);
     },
     "DB",
     "target level of the normalisation, in LUFS for loudness\n(default: " +
         ToSettingText(kLevelTargetDefaultDb) +
         "; loudness: " + ToSettingText(kLoudnessTargetDefaultLufs) + ")"},
    {"rms-window", 0, Kind::Value,
     [](Options& pO, const std::string& pV) {
         return SetInt(pO.Edit.GateMs, pV, "a whole number of ms", 0, kMaxGateMs);
     },
     "MS",
     "rms-calc: longest silence that still counts " + Default(float(DefaultBatchJob().GateMs))},
    {"rms-threshold", 0, Kind::Value, EditDb<&EditJob::GateDb>, "DB",
     "rms-calc: level relative to the peak at or below which a frame\ncounts as silence " +
         Default(DefaultBatchJob().GateDb)},
    {"clip", 0, Kind::Flag, SetEdit<&EditJob::Clip, true>, nullptr,
     "let the gain drive peaks into saturation; without it the gain\n"
     "is limited so the peak stays within full scale (default: off)"},
    {"true-peak", 0, Kind::Value,
     [](Options& pO, const std::string& pV) -> std::string {
         pO.Edit.TruePeakCeiling = true;
         return SetGainDb(pO.Edit.TruePeakCeilingDb, pV);
     },
     "DBTP",
     "loudness: lower the gain where the true peak would pass this\nceiling, held on the "
     "peak between the samples, not only\nat 4x oversampling " +
         Default(DefaultBatchJob().TruePeakCeilingDb)},
    {"no-true-peak", 0, Kind::Flag, SetEdit<&EditJob::TruePeakCeiling, false>, nullptr,
     "loudness: no true-peak ceiling"},
    {"adjust", 0, Kind::Value,
     [](Options& pO, const std::string& pV) -> std::string {
         std::string error = SetGainDb(pO.Edit.AdjustLeftDb, pV);
         pO.Edit.AdjustRightDb = pO.Edit.AdjustLeftDb;
         return error;
     },
     "DB", "level adjustment of every channel (default: 0)", "Level and range:"},
    {"adjust-left", 0, Kind::Value, EditGainDb<&EditJob::AdjustLeftDb>, "DB",
     "level adjustment of the left (or only) channel (default: 0);\n"
     "a file of more than two channels with left and right\n"
     "levels that differ fails"},
    {"adjust-right", 0, Kind::Value, EditGainDb<&EditJob::AdjustRightDb>, "DB",
     "level adjustment of the right channel (default: 0)"},
    {"fade-in", 0, Kind::Value, EditFrames<&EditJob::FadeInFrames>, "FRAMES",
     "fade-in length, from -60 dB up (default: 0, none)"},
    {"fade-out", 0, Kind::Value, EditFrames<&EditJob::FadeOutFrames>, "FRAMES",
     "fade-out length, down to -60 dB (default: 0, none)"},
    {"from", 0, Kind::Value, EditFrame<&EditJob::FromFrame>, "FRAME",
     "first frame to process; 0 or less: the start (default: 0)"},
    {"to", 0, Kind::Value, EditFrame<&EditJob::ToFrame>, "FRAME",
     "end of the range (exclusive); 0 or less: the end (default: 0)"},
    {"album", 0, Kind::Flag,
     [](Options& pO, const std::string&) -> std::string {
         pO.Album = AlbumBy::Run;
         return {};
     },
     nullptr,
     "album mode: normalise all files of the run as one set, so that\n"
     "they keep their levels relative to each other: each file is\n"
     "trimmed as alone, the set's level is measured over all kept\n"
     "ranges together (the highest peak or block, the RMS of all\n"
     "samples, the loudness of all as one programme) and every file\n"
     "gets the one gain that brings the set to --level; the sample\n"
     "peak and the true-peak ceiling hold for the loudest file.\n"
     "Files are measured first (in parallel), then written",
     "Album mode:"},
    {"album-by", 0, Kind::Value,
     [](Options& pO, const std::string& pV) -> std::string {
         if (pV != "folder") return BadValue("folder", pV);
         pO.Album = AlbumBy::Folder;
         return {};
     },
     "folder",
     "album mode with one set per folder (an audiobook's chapters,\n"
     "an album's tracks); with --shard a folder's files stay together"},
    {"album-strict", 0, Kind::Flag, Raise<&Options::AlbumStrict>, nullptr,
     "a file of a set that cannot be measured keeps the whole set from\n"
     "being written (default: it is left out of the set and named)"},
    {"files-from", 0, Kind::Value, SetText<&Options::FilesFrom>, "LIST",
     "also process the files named in LIST, one per line ('-': read\n"
     "standard input); no shell expansion, so lists of any length",
     "Many files, many machines:"},
    {"null", '0', Kind::Flag, Raise<&Options::NulSeparated>, nullptr,
     "the names of LIST end with a NUL byte (find -print0), not a\n"
     "newline"},
    {"shard", 0, Kind::Value,
     [](Options& pO, const std::string& pV) -> std::string {
         std::string error;
         auto shard = ParseShard(pV, error);
         if (!shard) return error;
         pO.Shard = *shard;
         return {};
     },
     "K/N",
     "process only part K of N (K counts from 0: 0..N-1), chosen by a\n"
     "hash of each path, so N workers with the same list in any order\n"
     "process every file once; env/N takes K from SLURM_ARRAY_TASK_ID\n"
     "or JOB_COMPLETION_INDEX; an album set is never split: --album-by\n"
     "folder hashes the folder, --album gives every file to one shard"},
    {"root", 0, Kind::Value, SetText<&Options::ShardRoot>, "DIR",
     "--shard hashes the path relative to DIR (default: the --mirror\n"
     "folder, else the absolute path), so machines that mount the\n"
     "files elsewhere agree"},
    {"skip-existing", 0, Kind::Flag, Raise<&Options::SkipExisting>, nullptr,
     "with -o: leave a file alone when its result is in DIR under its\n"
     "own name as a complete WAV file; a cut-short file there is\n"
     "replaced (default: off)"},
    {"mirror", 0, Kind::Value, SetText<&Options::MirrorRoot>, "ROOT",
     "with -o: keep the folders below ROOT inside DIR (every file\n"
     "must be below ROOT; folders are made as needed)"},
    {"summary-json", 0, Kind::Value, SetText<&Options::SummaryJson>, "FILE",
     "write the run's totals to FILE as one JSON object: host, shard,\n"
     "files, done, skipped, failed, not_started, cancelled, stopped,\n"
     "seconds, bytes_read, bytes_written"},
    {"watch", 0, Kind::Value, SetText<&Options::WatchDir>, "IN",
     "keep running and process every WAV file (.wav, .wave, .bwf,\n"
     ".rf64; not hidden, .part, .tmp or ~ names) that lands in IN\n"
     "(also below it with --mirror IN), and those already there, into\n"
     "the -o folder; a file whose result is there is left alone, so a\n"
     "restart redoes nothing; ends on SIGTERM or Ctrl-C, or with\n"
     "status 1 when IN is deleted or unmounted",
     "Watching a folder:"},
    {"settle", 0, Kind::Value,
     [](Options& pO, const std::string& pV) -> std::string {
         char* end = nullptr;
         const double v = std::strtod(pV.c_str(), &end);
         if (!WholeTextParsed(pV, end) || !std::isfinite(v) || v < 0 || v > 86400)
             return BadValue("a number of seconds (0 to 86400)", pV);
         pO.SettleSeconds = v;
         return {};
     },
     "SECONDS",
     "--watch: take a file once its writer closed it (or it was moved\n"
     "in) and its size stayed the same this long (default: 2)"},
    {"then-move", 0, Kind::Value, SetText<&Options::ThenMove>, "DONE",
     "--watch: move each source into DONE (same folders below it)\n"
     "once its result is on disk (default: the source stays)"},
    {"then-delete", 0, Kind::Flag, Raise<&Options::ThenDelete>, nullptr,
     "--watch: remove each source once its result is on disk; only\n"
     "together with --i-have-backups"},
    {"i-have-backups", 0, Kind::Flag, Raise<&Options::HaveBackups>, nullptr, "allow --then-delete"},
    {"failed", 0, Kind::Value, SetText<&Options::FailedDir>, "DIR",
     "--watch: move a source that failed into DIR, with the reason in\n"
     "NAME.txt beside it (default: it stays, named in the log)"},
    {"check", 0, Kind::Flag, Raise<&Options::Check>, nullptr,
     "level check only: measure each file, write nothing; with album\n"
     "mode, the sets' figures: each file measured as its write would\n"
     "measure it (trimmed), and one line per set (album, files, level,\n"
     "gain) unless --json",
     "Measuring and reporting:"},
    {"json", 0, Kind::Flag, Raise<&Options::Json>, nullptr,
     "one JSON object per file on stdout: source, target, result,\n"
     "error, warning, max_peak, max_rms, norm_rms, max_peak_db,\n"
     "max_rms_db, norm_rms_db (levels are measured while processing),\n"
     "skipped, seconds, bytes_read, bytes_written, host, shard;\n"
     "with --loudness or --normalize loudness also integrated_lufs,\n"
     "loudness_range_lu, true_peak_dbtp (of the result), gain_db,\n"
     "true_peak_limited, limited_by, source_integrated_lufs; in album\n"
     "mode also album (the set: its folder, or \"all\"), album_gain_db,\n"
     "album_level (dB of full scale, LUFS for loudness) and, with\n"
     "loudness, album_integrated_lufs"},
    {"loudness", 0, Kind::Flag, SetEdit<&EditJob::MeasureLoudness, true>, nullptr,
     "measure the integrated loudness, loudness range and true peak\n"
     "of each file (of the written range; with --check, of the whole\n"
     "range, or in album mode of the kept range) and print them, one\n"
     "tab-separated line per file unless --json"},
    {"info", 0, Kind::Flag, Raise<&Options::Info>, nullptr,
     "print each file's title, length and format instead of editing\n"
     "(tab-separated; with --json: source, title, valid, length_ms,\n"
     "length, text, and the metadata chunks a result would keep:\n"
     "metadata, dropped, tags, bext)"},
    {"use-settings", 0, Kind::Flag, Raise<&Options::UseSettings>, nullptr,
     "take the defaults from the window's stored panel settings;\n"
     "options given still override them"},
    {"jobs", 'j', Kind::Value,
     [](Options& pO, const std::string& pV) -> std::
                                                string {
                                                    auto n = ParseInt32(pV);
                                                    if (!n || *n < 1)
                                                        return BadValue(
                                                            "a number of jobs (1 or more)", pV);
                                                    pO.Jobs = *n;
                                                    return {};
                                                },
     "N", "files processed in parallel (default: number of cores)"},
    {"quiet", 'q', Kind::Flag, Raise<&Options::Quiet>, nullptr,
     "no progress and no summary, only errors"},
    {"help", 'h', Kind::Flag, Raise<&Options::Help>, nullptr, "show this help and exit"},
    {"version", 0, Kind::Flag, Raise<&Options::Version>, nullptr, "show the version and exit"},
};

const OptionDef* FindLong(const std::string& pName) {
    for (const auto& def : kOptions)
        if (pName == def.LongName) return &def;
    return nullptr;
}

const OptionDef* FindShort(char pName) {
    for (const auto& def : kOptions)
        if (def.ShortName != 0 && def.ShortName == pName) return &def;
    return nullptr;
}

// One command-line word that starts with '-'. Consumes a following value word when the
// option takes one. Returns an error text, empty on success.
std::string ApplyOptionWord(Options& pO, ArgCursor& pCur) {
    const std::string& word = pCur.Args[pCur.Index];
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
    if (def->Kind == Kind::Value) {
        if (attached) {
            value = *attached;
        } else if (pCur.Index + 1 < pCur.Args.size()) {
            value = pCur.Args[++pCur.Index];
        } else {
            return "option '" + shown + "' needs a value";
        }
    } else if (attached) {
        return "option '" + shown + "' takes no value";
    }
    std::string error = def->Apply(pO, value);
    return error.empty() ? error : "option '" + shown + "': " + error;
}

bool IsOptionWord(const std::string& pWord) {
    return pWord.size() > 1 && pWord[0] == '-';
}

} // namespace

EditJob DefaultBatchJob() {
    EditJob job;
    job.Trim = true;
    job.StartThresholdDb = float(kTrimThresholdDefaultDb);
    job.EndThresholdDb = float(kTrimThresholdDefaultDb);
    job.Normalize = true;
    job.GateMs = kGateWindowDefaultMs;
    job.GateDb = float(kGateThresholdDefaultDb);
    return job;
}

bool AsksForSettings(const std::vector<std::string>& pArgs) {
    for (const auto& a : pArgs) {
        if (a == "--") break;
        if (a == "--use-settings") return true;
    }
    return false;
}

std::optional<float> ParseDb(const std::string& pText) {
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(pText.c_str(), &end);
    if (!WholeTextParsed(pText, end) || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
    float f = static_cast<float>(v);
    if (!std::isfinite(f)) return std::nullopt;
    return f;
}

std::optional<int64_t> ParseInt64(const std::string& pText) {
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(pText.c_str(), &end, 10);
    if (!WholeTextParsed(pText, end) || errno == ERANGE) return std::nullopt;
    return static_cast<int64_t>(v);
}

std::optional<int32_t> ParseInt32(const std::string& pText) {
    auto v = ParseInt64(pText);
    if (!v || *v < std::numeric_limits<int32_t>::min() || *v > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(*v);
}

namespace {

std::string WatchCombinationError(const Options& pO) {
    const bool afterOptions = !pO.ThenMove.empty() || pO.ThenDelete || !pO.FailedDir.empty();
    if (pO.WatchDir.empty())
        return afterOptions || pO.HaveBackups
                   ? "options '--then-move', '--then-delete', '--failed' "
                     "and '--i-have-backups' need '--watch'"
                   : "";
    if (pO.Output != OutputMode::Folder) return "option '--watch' needs '--output-dir'";
    if (!pO.Files.empty() || !pO.FilesFrom.empty())
        return "option '--watch' takes no files: it processes what lands in its folder";
    if (pO.Check || pO.Shard.Count != 0 || pO.Album != AlbumBy::None)
        return "option '--watch' excludes '--check', '--shard' and album mode";
    if (pO.ThenDelete && !pO.HaveBackups)
        return "option '--then-delete' removes the sources: give '--i-have-backups' as well";
    if (pO.ThenDelete && !pO.ThenMove.empty())
        return "options '--then-delete' and '--then-move' exclude each other";
    return {};
}

// Options that only mean something together with another.
std::string CombinationError(const Options& pO) {
    if (pO.Output != OutputMode::Folder && (pO.SkipExisting || !pO.MirrorRoot.empty()))
        return std::string("option '") + (pO.SkipExisting ? "--skip-existing" : "--mirror") +
               "' needs '--output-dir'";
    if (pO.OriginalsGiven && pO.Output != OutputMode::Overwrite)
        return "options '--trash', '--backup' and '--no-backup' need '--overwrite'";
    if (pO.NulSeparated && pO.FilesFrom.empty()) return "option '-0' needs '--files-from'";
    if (!pO.ShardRoot.empty() && pO.Shard.Count == 0) return "option '--root' needs '--shard'";
    if (pO.AlbumStrict && pO.Album == AlbumBy::None)
        return "option '--album-strict' needs '--album' or '--album-by'";
    return WatchCombinationError(pO);
}

} // namespace

ParseResult ParseOptions(const std::vector<std::string>& pArgs, const SettingReader& pReadSetting) {
    ParseResult r;
    Options& o = r.Options;
    if (AsksForSettings(pArgs) && pReadSetting) ApplyStoredPanel(o, pReadSetting);
    bool explicitFolder = false;
    bool explicitOverwrite = false;
    bool onlyFiles = false;
    ArgCursor cur{pArgs};
    for (; cur.Index < pArgs.size(); ++cur.Index) {
        const std::string& word = pArgs[cur.Index];
        if (onlyFiles || !IsOptionWord(word)) {
            o.Files.push_back(word);
            continue;
        }
        if (word == "--") {
            onlyFiles = true;
            continue;
        }
        const bool folderWord = word == "-o" || word.rfind("--output-dir", 0) == 0 ||
                                (word.rfind("-o", 0) == 0 && word.rfind("--", 0) != 0);
        r.Error = ApplyOptionWord(o, cur);
        if (!r.Error.empty()) return r;
        explicitFolder = explicitFolder || folderWord;
        explicitOverwrite = explicitOverwrite || word == "--overwrite";
    }
    if (explicitFolder && explicitOverwrite) {
        r.Error = "options '--overwrite' and '--output-dir' exclude each other";
        return r;
    }
    if (o.Help || o.Version) return r;
    if (o.Undo) {
        if (o.Files.size() > 1) r.Error = "option '--undo' takes at most one journal";
        return r;
    }
    r.Error = CombinationError(o);
    if (r.Error.empty() && o.Files.empty() && o.FilesFrom.empty() && o.WatchDir.empty())
        r.Error = "no input files";
    // A watched folder's results count once: found complete, a file is done.
    if (!o.WatchDir.empty()) o.SkipExisting = true;
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
std::string OptionLabel(const OptionDef& pDef, const OptionDef* pAlias) {
    std::string label = pDef.ShortName ? std::string("  -") + pDef.ShortName + ", " : "      ";
    label += std::string("--") + pDef.LongName;
    if (pAlias) label += std::string(", --") + pAlias->LongName;
    if (pDef.ValueName) label += std::string(" ") + pDef.ValueName;
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
        if (row.ByLoudness) text += " (see --true-peak)";
        const std::string name(row.CliName);
        lines += Indented(std::string(kModeColumn, ' ') + name, Wrapped(text, kModeColumn + 13),
                          kModeColumn + 13);
    }
    return lines;
}

} // namespace

std::vector<OptionHelpRow> OptionHelpRows() {
    std::vector<OptionHelpRow> rows;
    const size_t count = std::size(kOptions);
    for (size_t i = 0; i < count; ++i) {
        const OptionDef& def = kOptions[i];
        if (def.Help.empty()) continue; // shown with the option before it
        const OptionDef* alias =
            i + 1 < count && kOptions[i + 1].Help.empty() ? &kOptions[i + 1] : nullptr;
        std::string label = OptionLabel(def, alias);
        label.erase(0, label.find_first_not_of(' '));
        rows.push_back({label, def.Help, def.Section ? def.Section : "", def.LongName,
                        def.ValueName ? def.ValueName : ""});
    }
    return rows;
}

std::string Summary() {
    return "Edits each WAV file (8, 16, 24 or 32-bit PCM or 32-bit float, one to eight "
           "channels) in the order given: trims the silence at its start and end, normalises "
           "it, adjusts its level and writes the result.";
}

std::string UsageText() {
    std::string text = "Usage: quillan-batch [options] FILE...\n"
                       "       quillan-batch [options] --files-from LIST [FILE...]\n"
                       "       quillan-batch [options] --watch IN -o OUT\n"
                       "       quillan-batch --undo [JOURNAL]\n" +
                       Wrapped(Summary(), 0) + "\n";
    const size_t count = std::size(kOptions);
    for (size_t i = 0; i < count; ++i) {
        const OptionDef& def = kOptions[i];
        if (def.Help.empty()) continue; // shown with the option before it
        if (def.Section) text += std::string("\n") + def.Section + "\n";
        const OptionDef* alias =
            i + 1 < count && kOptions[i + 1].Help.empty() ? &kOptions[i + 1] : nullptr;
        text += Indented(OptionLabel(def, alias), def.Help, kHelpColumn);
        if (std::string(def.LongName) == "normalize") text += ModeLines();
    }
    return text + R"(
Values are passed to the edit engine as given: dB values are decimal numbers, margins,
windows, fades and frames are whole numbers.

Exit status: 0 when every file succeeded, 1 when any failed, 2 for a usage error,
130 after Ctrl-C (143 after SIGTERM).
)";
}

} // namespace cli
