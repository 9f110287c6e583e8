#include "cli/PanelDefaults.h"

#include "services/core/Paths.h"
#include "services/core/SettingText.h"

#include <algorithm>
#include <cstdlib>

namespace cli {

namespace {

int32_t StoredInt(const SettingReader& read, const char* key, int32_t def) {
    return SettingToInt32(read(key, std::to_string(def))).value_or(def);
}

int32_t StoredSlider(const SettingReader& read, const char* key, int32_t def, int32_t lo,
                     int32_t hi) {
    return std::clamp(StoredInt(read, key, def), lo, hi);
}

int32_t StoredFlag(const SettingReader& read, const char* key, int32_t def) {
    return StoredInt(read, key, def) != 0 ? 1 : 0;
}

// Absolute value of a stored numeric text; 0 when it is not numeric.
int32_t StoredMagnitude(const SettingReader& read, const char* key, const char* def) {
    auto v = SettingToInt32(read(key, def));
    if (!v || *v == INT32_MIN) return 0;
    return std::abs(*v);
}

} // namespace

const std::vector<std::string>& PanelSettingKeys() {
    static const std::vector<std::string> keys{"0Use",        "1Use",         "2Use",    "NormMode",
                                               "TrimLevelIn", "TrimLevelOut", "0Margin", "1Margin",
                                               "PeakLevel",   "RMSmsec",      "RMSdb",   "Clip",
                                               "LevelAdjust", "SoundPath",    "OW"};
    return keys;
}

void ApplyStoredPanel(Options& options, const SettingReader& read) {
    EditParams& e = options.edit;
    const int32_t useTrim = StoredFlag(read, "0Use", 1);
    const int32_t useNorm = StoredFlag(read, "1Use", 1);
    const int32_t useAdjust = StoredFlag(read, "2Use", 1);
    int32_t mode = StoredInt(read, "NormMode", 0);
    if (mode < 0 || mode > 3) mode = 0;

    e.useTh = useTrim;
    e.thIn = static_cast<float>(useTrim * StoredSlider(read, "TrimLevelIn", -45, -60, 0));
    e.thOut = static_cast<float>(useTrim * StoredSlider(read, "TrimLevelOut", -45, -60, 0));
    e.startMargin = useTrim ? StoredMagnitude(read, "0Margin", "0") : 0;
    e.endMargin = useTrim ? StoredMagnitude(read, "1Margin", "0") : 0;
    e.useNorm = useNorm;
    e.normMode = mode;
    e.normLevel = useNorm ? static_cast<float>(StoredSlider(read, "PeakLevel", 0, -60, 0)) : 0.0f;
    const bool rmsCalc = useNorm && mode == 3;
    e.rmsMsec = rmsCalc ? StoredMagnitude(read, "RMSmsec", "500") : 0;
    e.rmsDb = rmsCalc ? -static_cast<float>(StoredMagnitude(read, "RMSdb", "-6")) : 0.0f;
    e.clip = StoredFlag(read, "Clip", 0);
    e.adjustL = static_cast<float>(useAdjust * StoredSlider(read, "LevelAdjust", 0, -40, 20));
    e.adjustR = e.adjustL;

    const std::string folder = read("SoundPath", "");
    if (StoredFlag(read, "OW", 0)) {
        options.output = OutputMode::Overwrite;
    } else if (!folder.empty() && FolderExists(folder)) {
        options.output = OutputMode::Folder;
        options.outputDir = folder;
    }
}

} // namespace cli
