#pragma once

// The parameter panel as it is stored and as it becomes an edit job: its keys, defaults and
// ranges in one table, and the rules that turn a panel into a job. The window and
// quillan-batch --use-settings both use them, so the two cannot drift apart.

#include "engine/EditJob.h"
#include "services/core/SettingText.h"

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
// The text fields, in panel order.
enum class TextField : size_t { StartMargin, EndMargin, RmsWindow, RmsThreshold, Ceiling };

// The normalize modes' option boxes belong to this group.
inline constexpr UseBox kModeGroup = UseBox::Normalize;

struct UseRow {
    const char* Key;
    const char* Caption;
    const char* Help; // what the group does, for its tooltip
};
inline constexpr std::array<UseRow, 3> kUseBoxes = {{
    {"0Use", "Trim Level", "cuts the silence at the start and the end of each file"},
    {"1Use", "Normalize", "brings each file to the level of its slider by the chosen mode"},
    {"2Use", "Level Adjust", "adds the gain of its slider to each file"},
}};

// A slider stands on its group's row (a second one of a group below the first), its value
// beside it; Name and Help make its tooltip, Label is printed before it.
struct SliderRow {
    const char* Key;
    int32_t Default, Min, Max; // dB
    UseBox Group = UseBox::Trim;
    const char* Name = "";
    const char* Help = "";
    const char* Label = "";
};
inline constexpr std::array<SliderRow, 4> kSliders = {{
    {"TrimLevelIn", kTrimThresholdDefaultDb, -60, 0, UseBox::Trim, "Start threshold",
     "silence below this level is trimmed from the start", "Start"},
    {"TrimLevelOut", kTrimThresholdDefaultDb, -60, 0, UseBox::Trim, "End threshold",
     "silence below this level is trimmed from the end", "End"},
    {"PeakLevel", int32_t(kLevelTargetDefaultDb), -60, 0, UseBox::Normalize, "Normalize level",
     "the level each file is brought to"},
    {"LevelAdjust", 0, -40, 20, UseBox::Adjust, "Level adjust",
     "gain added to both channels of each file"},
}};

// The level slider while a loudness mode is chosen: LUFS, around the broadcast target.
inline constexpr SliderRow kLoudnessLevel = {"PeakLevel", int32_t(kLoudnessTargetDefaultLufs), -40,
                                             -5};
static_assert(float(int32_t(kLevelTargetDefaultDb)) == kLevelTargetDefaultDb &&
                  float(int32_t(kLoudnessTargetDefaultLufs)) == kLoudnessTargetDefaultLufs &&
                  float(int32_t(kTruePeakCeilingDefaultDb)) == kTruePeakCeilingDefaultDb,
              "the panel holds whole numbers of dB");
// The range and default of the level slider for a mode.
const SliderRow& LevelRowFor(NormMode pMode);

// Which modes read a field: any (it acts with its group), or only the modes with a flag.
enum class ModeNeed { Any, Gate, Loudness };
// True when a field with this need acts in the mode.
bool ModeReads(ModeNeed pNeed, NormMode pMode);

// A field of the Any need stands at the right of its group's rows; one read by some modes
// stands on the row of the first such mode. Unit is printed after it, TipUnit follows the
// value in its tooltip, Label is printed before it.
struct TextRow {
    const char* Key;
    const char* Default;
    UseBox Group = UseBox::Trim;
    ModeNeed Need = ModeNeed::Any;
    const char* Name = "";
    const char* Unit = "";
    const char* TipUnit = "";
    const char* Help = "";
    const char* Label = "";
};
inline constexpr std::array<TextRow, 5> kTexts = {{
    {"0Margin", "0", UseBox::Trim, ModeNeed::Any, "Start Margin", "ms", " ms",
     "silence kept before the sound when the start is trimmed", "Start Margin"},
    {"1Margin", "0", UseBox::Trim, ModeNeed::Any, "End Margin", "ms", " ms",
     "silence kept after the sound when the end is trimmed", "End Margin"},
    {"RMSmsec", DecimalText<kGateWindowDefaultMs>, UseBox::Normalize, ModeNeed::Gate, "RMS Window",
     "ms", " ms", "RMS(Calc) leaves out silences longer than this"},
    // Read as its magnitude below the peak.
    {"RMSdb", DecimalText<kGateThresholdDefaultDb>, UseBox::Normalize, ModeNeed::Gate,
     "RMS Threshold", "db", " dB",
     "RMS(Calc) counts as silence what stays this far below the peak"},
    // The true-peak ceiling of the loudness mode in dB of full scale; empty: none.
    {"TruePeak", DecimalText<int32_t(kTruePeakCeilingDefaultDb)>, UseBox::Normalize,
     ModeNeed::Loudness, "True-peak ceiling", "dBTP", " dBTP",
     "Loudness lowers its gain so that no true peak passes this; empty: no ceiling"},
}};

inline constexpr const char* kNormModeKey = "NormMode";
inline constexpr const char* kClipKey = "Clip";
// Album mode: the run's files are measured as one set and take one gain.
inline constexpr const char* kAlbumKey = "Album";
inline constexpr const char* kOverWriteKey = "OW";
inline constexpr const char* kSoundPathKey = "SoundPath";
// Whether results carry the source's metadata chunks (1, the default) or a bare header (0).
inline constexpr const char* kKeepMetadataKey = "KeepMetadata";

// One value per row of a table, in row order.
template <class Row, size_t N, class Value>
auto Defaults(const std::array<Row, N>& pRows, Value pValue) {
    std::array<decltype(pValue(pRows[0])), N> values{};
    for (size_t i = 0; i < N; ++i)
        values[i] = pValue(pRows[i]);
    return values;
}

// The panel's values as the window holds them: flags 0/1, slider values in dB, texts as
// typed. NormMode is the index of the chosen option box, -1 when none is chosen.
struct PanelSettings {
    std::array<int32_t, kUseBoxes.size()> Use = Defaults(kUseBoxes, [](auto&) { return 1; });
    std::array<int32_t, kSliders.size()> Sliders =
        Defaults(kSliders, [](const SliderRow& pRow) { return pRow.Default; });
    std::array<std::string, kTexts.size()> Texts =
        Defaults(kTexts, [](const TextRow& pRow) { return std::string(pRow.Default); });
    int32_t NormMode = 0;
    int32_t Clip = 0;
    int32_t Album = 0;
    int32_t OverWrite = 0;
    std::string SoundPath;
    int32_t KeepMetadata = 1;

    int32_t UseOf(UseBox pBox) const { return Use[size_t(pBox)]; }
    int32_t SliderOf(Slider pSlider) const { return Sliders[size_t(pSlider)]; }
    const std::string& TextOf(TextField pField) const { return Texts[size_t(pField)]; }
    std::string& TextOf(TextField pField) { return Texts[size_t(pField)]; }
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
