#include "services/job/PanelSettings.h"

#include "services/core/Paths.h"
#include "services/core/SettingText.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace panel {

namespace {

int32_t StoredInt(const SettingReader& pRead, const std::string& pKey, int32_t pDefault) {
    return SettingToInt32(pRead(pKey, std::to_string(pDefault))).value_or(pDefault);
}

// Check and option values are flags: any non-zero stored value is "on".
int32_t StoredFlag(const SettingReader& pRead, const std::string& pKey, int32_t pDefault) {
    return StoredInt(pRead, pKey, pDefault) != 0 ? 1 : 0;
}

} // namespace

const std::vector<std::string>& PanelSettingKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> k;
        for (const UseRow& row : kUseBoxes)
            k.push_back(row.Key);
        k.push_back(kNormModeKey);
        for (const SliderRow& row : kSliders)
            k.push_back(row.Key);
        for (const TextRow& row : kTexts)
            k.push_back(row.Key);
        k.insert(k.end(), {kClipKey, kAlbumKey, kOverWriteKey, kSoundPathKey, kKeepMetadataKey});
        return k;
    }();
    return keys;
}

PanelSettings ReadPanelSettings(const SettingReader& pRead) {
    PanelSettings p;
    for (size_t i = 0; i < kUseBoxes.size(); ++i)
        p.Use[i] = StoredFlag(pRead, kUseBoxes[i].Key, 1);
    const int32_t mode = StoredInt(pRead, kNormModeKey, 0);
    p.NormMode = NormModeFromIndex(mode) ? mode : -1;
    for (size_t i = 0; i < kSliders.size(); ++i) {
        const SliderRow& row =
            Slider(i) == Slider::NormLevel ? LevelRowFor(ChosenMode(p)) : kSliders[i];
        const int32_t stored = StoredInt(pRead, row.Key, row.Default);
        // A threshold out of its range is damage, not a wish: at its end it would
        // trim every file to nothing, so it takes its default. Gains stop at their end.
        const bool threshold = Slider(i) == Slider::TrimIn || Slider(i) == Slider::TrimOut;
        const bool outside = stored < row.Min || stored > row.Max;
        p.Sliders[i] = threshold && outside ? row.Default : std::clamp(stored, row.Min, row.Max);
    }
    for (size_t i = 0; i < kTexts.size(); ++i)
        p.Texts[i] = pRead(kTexts[i].Key, kTexts[i].Default);
    p.Clip = StoredFlag(pRead, kClipKey, 0);
    p.Album = StoredFlag(pRead, kAlbumKey, 0);
    p.OverWrite = StoredFlag(pRead, kOverWriteKey, 0);
    p.SoundPath = pRead(kSoundPathKey, "");
    p.KeepMetadata = StoredFlag(pRead, kKeepMetadataKey, 1);
    return p;
}

void WritePanelSettings(const PanelSettings& pPanel, const SettingWriter& pWrite) {
    for (size_t i = 0; i < kSliders.size(); ++i)
        pWrite(kSliders[i].Key, std::to_string(pPanel.Sliders[i]));
    pWrite(kSoundPathKey, pPanel.SoundPath);
    pWrite(kOverWriteKey, std::to_string(pPanel.OverWrite));
    for (size_t i = 0; i < kUseBoxes.size(); ++i)
        pWrite(kUseBoxes[i].Key, std::to_string(pPanel.Use[i]));
    for (TextField margin : {TextField::StartMargin, TextField::EndMargin}) {
        const std::string& text = pPanel.TextOf(margin);
        if (SettingToInt32(text)) pWrite(kTexts[size_t(margin)].Key, text);
    }
    if (NormModeFromIndex(pPanel.NormMode)) pWrite(kNormModeKey, std::to_string(pPanel.NormMode));
    for (TextField typed : {TextField::RmsWindow, TextField::RmsThreshold, TextField::Ceiling})
        pWrite(kTexts[size_t(typed)].Key, pPanel.TextOf(typed));
    pWrite(kClipKey, std::to_string(pPanel.Clip));
    pWrite(kAlbumKey, std::to_string(pPanel.Album));
    pWrite(kKeepMetadataKey, std::to_string(pPanel.KeepMetadata));
}

bool ModeReads(ModeNeed pNeed, NormMode pMode) {
    switch (pNeed) {
    case ModeNeed::Gate:
        return NormModeInfo(pMode).UsesGate;
    case ModeNeed::Loudness:
        return NormModeInfo(pMode).ByLoudness;
    case ModeNeed::Any:
        break;
    }
    return true;
}

const SliderRow& LevelRowFor(NormMode pMode) {
    return NormModeInfo(pMode).ByLoudness ? kLoudnessLevel : kSliders[size_t(Slider::NormLevel)];
}

std::optional<float> CeilingOf(const std::string& pTyped) {
    const size_t first = pTyped.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    const char* text = pTyped.c_str() + first;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    const bool whole =
        end != text && std::string_view(end).find_first_not_of(" \t") == std::string_view::npos;
    if (!whole || errno == ERANGE || !std::isfinite(value) || std::fabs(value) > 100.0)
        return kTruePeakCeilingDefaultDb;
    return float(value);
}

std::string OutputFolder(const std::string& pTyped, const std::string& pHome) {
    if (pTyped.empty() || pTyped.front() == '/') return pTyped;
    if (pHome.empty() || pHome.front() != '/') return {};
    std::string relative = pTyped;
    if (relative == "~")
        relative.clear();
    else if (relative.rfind("~/", 0) == 0)
        relative.erase(0, 2);
    return SetBackslash(pHome, 0) + relative;
}

int32_t TextMagnitude(const std::string& pText) {
    const auto value = SettingToInt32(pText);
    if (!value || *value == std::numeric_limits<int32_t>::min()) return 0;
    return *value < 0 ? -*value : *value;
}

NormMode ChosenMode(const PanelSettings& pPanel) {
    return NormModeFromIndex(pPanel.NormMode).value_or(NormMode::Peak);
}

EditJob PanelJob(const PanelSettings& pAtStart, const PanelSettings& pNow) {
    EditJob job;
    const int32_t trim = pNow.UseOf(UseBox::Trim);
    job.Trim = trim != 0;
    job.StartThresholdDb = float(trim * pNow.SliderOf(Slider::TrimIn));
    job.EndThresholdDb = float(trim * pNow.SliderOf(Slider::TrimOut));
    if (pAtStart.UseOf(UseBox::Trim) == 1) {
        job.StartMarginMs = TextMagnitude(pAtStart.TextOf(TextField::StartMargin));
        job.EndMarginMs = TextMagnitude(pAtStart.TextOf(TextField::EndMargin));
    }
    job.Normalize = pNow.UseOf(UseBox::Normalize) != 0;
    job.Mode = ChosenMode(pAtStart);
    if (pAtStart.UseOf(UseBox::Normalize) == 1) {
        job.NormLevelDb = float(pAtStart.SliderOf(Slider::NormLevel));
        if (NormModeInfo(job.Mode).ByLoudness) {
            const std::optional<float> ceiling = CeilingOf(pAtStart.TextOf(TextField::Ceiling));
            job.TruePeakCeiling = ceiling.has_value();
            job.TruePeakCeilingDb = ceiling.value_or(kTruePeakCeilingDefaultDb);
        }
        if (NormModeInfo(job.Mode).UsesGate) {
            job.GateMs = TextMagnitude(pAtStart.TextOf(TextField::RmsWindow));
            job.GateDb = float(-TextMagnitude(pAtStart.TextOf(TextField::RmsThreshold)));
        }
    }
    job.Clip = pNow.Clip != 0;
    job.AdjustLeftDb = float(pNow.UseOf(UseBox::Adjust) * pNow.SliderOf(Slider::Adjust));
    job.AdjustRightDb = job.AdjustLeftDb;
    job.KeepMetadata = pAtStart.KeepMetadata != 0;
    return job;
}

} // namespace panel
