#pragma once

// The normalisation modes: one row each, read by the engine (passes, gain), the command
// line (option names, help) and the window (captions, option boxes).

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string_view>

enum class NormMode : int32_t {
    Peak = 0,       // the highest sample
    RmsMax = 1,     // the loudest 0.3-second block
    RmsAverage = 2, // the RMS of the trimmed range
    RmsCalc = 3,    // the RMS of the trimmed range without long silences
    Loudness = 4,   // the integrated loudness of the trimmed range (LUFS)
};

struct NormModeRow {
    NormMode Mode;
    std::string_view CliName; // quillan-batch --normalize value
    std::string_view Caption; // the window's option box
    std::string_view Help;    // one line for --help
    bool NeedsSecondPass;     // measures the trimmed range again
    bool UsesGate;            // reads the RMS window and threshold
    bool ByLoudness = false;  // the level is a loudness in LUFS, not a dB of full scale
};

inline constexpr NormModeRow kNormModes[] = {
    {NormMode::Peak, "peak", "Peak", "the highest sample", false, false},
    {NormMode::RmsMax, "rms-max", "RMS(Max)", "the loudest 0.3-second block", false, false},
    {NormMode::RmsAverage, "rms-average", "RMS(Average)", "the RMS of the trimmed range", true,
     false},
    {NormMode::RmsCalc, "rms-calc", "RMS(Calc)",
     "the RMS of the trimmed range without long silences", true, true},
    {NormMode::Loudness, "loudness", "Loudness",
     "the integrated loudness of the trimmed range in LUFS (EBU R128), lowered where needed "
     "to keep the true peak under a ceiling",
     true, false, true},
};

inline constexpr size_t kNormModeCount = std::size(kNormModes);

// Modes are numbered as the rows are ordered: the stored setting and --normalize N use it.
inline constexpr bool NormModesInRowOrder() {
    for (size_t i = 0; i < kNormModeCount; ++i)
        if (size_t(kNormModes[i].Mode) != i) return false;
    return true;
}
static_assert(NormModesInRowOrder(), "kNormModes must list the modes in their numeric order");

// The row of a mode; modes are numbered as the rows are ordered.
inline constexpr const NormModeRow& NormModeInfo(NormMode pMode) {
    return kNormModes[size_t(pMode)];
}

// The mode with this number (0 .. kNormModeCount - 1), or none.
inline constexpr std::optional<NormMode> NormModeFromIndex(int32_t pIndex) {
    if (pIndex < 0 || size_t(pIndex) >= kNormModeCount) return std::nullopt;
    return kNormModes[size_t(pIndex)].Mode;
}

// The mode with this command-line name, or none.
inline constexpr std::optional<NormMode> NormModeFromCliName(std::string_view pName) {
    for (const NormModeRow& row : kNormModes)
        if (row.CliName == pName) return row.Mode;
    return std::nullopt;
}
