#pragma once

// The parameter panel as it is stored and as it becomes an edit job: its keys, defaults and
// ranges in one table, and the rules that turn a panel into a job. The window and
// quillan-batch --use-settings both use them, so the two cannot drift apart.

#include "engine/EditJob.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace panel {

// The check boxes that switch a group on.
enum class UseBox : size_t { Trim, Normalize, Adjust };
// The four sliders, in panel order.
enum class Slider : size_t { TrimIn, TrimOut, NormLevel, Adjust };
// The four text fields, in panel order.
enum class TextField : size_t { StartMargin, EndMargin, RmsWindow, RmsThreshold };

struct SliderRow {
    const char* Key;
    int32_t Default, Min, Max; // dB
};
inline constexpr std::array<SliderRow, 4> kSliders = {{
    {"TrimLevelIn", -45, -60, 0},
    {"TrimLevelOut", -45, -60, 0},
    {"PeakLevel", 0, -60, 0},
    {"LevelAdjust", 0, -40, 20},
}};

// The level slider while a loudness mode is chosen: LUFS, around the broadcast target.
inline constexpr SliderRow kLoudnessLevel = {"PeakLevel", -23, -40, -5};
// The range and default of the level slider for a mode.
const SliderRow& LevelRowFor(NormMode pMode);

struct TextRow {
    const char* Key;
    const char* Default;
};
inline constexpr std::array<TextRow, 4> kTexts = {{
    {"0Margin", "0"},   // ms
    {"1Margin", "0"},   // ms
    {"RMSmsec", "500"}, // ms
    {"RMSdb", "-6"},    // dB, read as its magnitude below the peak
}};

inline constexpr std::array<const char*, 3> kUseKeys = {"0Use", "1Use", "2Use"};
inline constexpr const char* kNormModeKey = "NormMode";
inline constexpr const char* kClipKey = "Clip";
inline constexpr const char* kOverWriteKey = "OW";
inline constexpr const char* kSoundPathKey = "SoundPath";
// The true-peak ceiling of the loudness mode, in dB of full scale as typed; empty: none.
inline constexpr const char* kTruePeakKey = "TruePeak";
inline constexpr const char* kTruePeakDefault = "-1";
// Whether results carry the source's metadata chunks (1, the default) or a bare header (0).
inline constexpr const char* kKeepMetadataKey = "KeepMetadata";

// The panel's values as the window holds them: flags 0/1, slider values in dB, texts as
// typed. NormMode is the index of the chosen option box, -1 when none is chosen.
struct PanelSettings {
    std::array<int32_t, 3> Use = {1, 1, 1};
    std::array<int32_t, 4> Sliders = {kSliders[0].Default, kSliders[1].Default, kSliders[2].Default,
                                      kSliders[3].Default};
    std::array<std::string, 4> Texts = {kTexts[0].Default, kTexts[1].Default, kTexts[2].Default,
                                        kTexts[3].Default};
    int32_t NormMode = 0;
    int32_t Clip = 0;
    int32_t OverWrite = 0;
    std::string SoundPath;
    std::string TruePeak = kTruePeakDefault;
    int32_t KeepMetadata = 1;

    int32_t UseOf(UseBox pBox) const { return Use[size_t(pBox)]; }
    int32_t SliderOf(Slider pSlider) const { return Sliders[size_t(pSlider)]; }
    const std::string& TextOf(TextField pField) const { return Texts[size_t(pField)]; }
};

// Reads a stored text by key, or the default given when the key is missing.
using SettingReader =
    std::function<std::string(const std::string& pKey, const std::string& pDefault)>;
using SettingWriter = std::function<void(const std::string& pKey, const std::string& pValue)>;

// Every key the panel stores.
const std::vector<std::string>& PanelSettingKeys();

// The stored panel; a damaged value costs only its own field (it takes the default), a
// slider value outside its range is brought into it (the level into the loudness range when
// the stored mode is a loudness mode), a stored mode outside the table chooses none.
PanelSettings ReadPanelSettings(const SettingReader& pRead);
// Stores the panel. A margin that is not a number keeps the stored one; the mode is stored
// only when one is chosen.
void WritePanelSettings(const PanelSettings& pPanel, const SettingWriter& pWrite);

// The output folder a typed Output To text names: an absolute path as typed, a relative one
// (and "~", "~/...") inside the home folder. Empty when the text is empty or there is no
// absolute home folder to take a relative text from: results then go beside the source.
std::string OutputFolder(const std::string& pTyped, const std::string& pHome);

// Absolute value of a numeric text as a 32-bit integer; 0 when it is not numeric (or the
// absolute value leaves the 32-bit range).
int32_t TextMagnitude(const std::string& pText);

// The chosen mode; Peak when none is chosen.
NormMode ChosenMode(const PanelSettings& pPanel);

// The true-peak ceiling a typed text asks for: none when the text is empty, the number it
// holds, else the default (-1 dBTP).
std::optional<float> CeilingOf(const std::string& pTyped);

// The job the panel asks for. A run reads the margins, the normalize level and mode and
// the RMS fields once at its start (pAtStart), the rest for every file (pNow). Switched-off
// boxes send 0 dB; margins only with trimming; the RMS window and threshold only with a mode
// that gates. The paths are left empty.
EditJob PanelJob(const PanelSettings& pAtStart, const PanelSettings& pNow);

} // namespace panel
