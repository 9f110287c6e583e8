// The parameter panel of the main window: loading, saving and the rules that
// switch its fields on and off.

#include "app/FrmMain.h"

#include "controls/UC_Check.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"
#include "services/core/SettingText.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>

#include <string>

namespace app {

namespace {

const char* const kSliderKeys[4] = {"TrimLevelIn", "TrimLevelOut", "PeakLevel", "LevelAdjust"};
const int32_t kSliderDefaults[4] = {-45, -45, 0, 0};

std::string UseKey(size_t index) {
    return std::to_string(index) + "Use";
}
std::string MarginKey(size_t index) {
    return std::to_string(index) + "Margin";
}

// A stored whole number; nothing when the text does not convert.
std::optional<int32_t> StoredInt(std::string_view key, int32_t defaultValue) {
    return SettingToInt32(ReadSetting(key, defaultValue));
}

// Check and option values are flags: any non-zero stored value is "on".
std::optional<int32_t> StoredFlag(std::string_view key, int32_t defaultValue) {
    auto value = StoredInt(key, defaultValue);
    if (!value) return std::nullopt;
    return *value != 0 ? 1 : 0;
}

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

PanelState FrmMain::ReadPanel() const {
    PanelState p;
    for (size_t i = 0; i < 3; ++i)
        p.checkParm[i] = checkParm_[i]->Value();
    for (size_t i = 0; i < 4; ++i) {
        p.sliderParm[i] = sliderParm_[i]->Value();
        p.textParm[i] = textParm_[i]->text().toStdString();
        p.checkNormMode[i] = checkNormMode_[i]->Value();
    }
    p.checkClip = checkClip_->Value();
    p.checkOW = checkOW_->Value();
    p.soundPath = OutputFolder(QFile::encodeName(textSoundPath_->Text()).toStdString(),
                               QFile::encodeName(QDir::homePath()).toStdString());
    return p;
}

void FrmMain::LoadSliderValues() {
    // A damaged value gives the field its default.
    for (size_t i = 0; i < 4; ++i)
        sliderParm_[i]->SetValue(
            StoredInt(kSliderKeys[i], kSliderDefaults[i]).value_or(kSliderDefaults[i]));
}

void FrmMain::LoadPathAndTexts() {
    textSoundPath_->SetText(ToQString(ReadSetting("SoundPath", "")));
    for (size_t i = 0; i < 2; ++i)
        textParm_[i]->setText(ToQString(ReadSetting(MarginKey(i), "0")));
    textParm_[2]->setText(ToQString(ReadSetting("RMSmsec", 500)));
    textParm_[3]->setText(ToQString(ReadSetting("RMSdb", -6)));
}

void FrmMain::LoadUseChecks() {
    const char* captions[3] = {"Trim Level", "Normalize", "Level Adjust"};
    for (size_t i = 0; i < 3; ++i)
        InitCheckBox(checkParm_[i], QString(), StoredFlag(UseKey(i), 1).value_or(1), 9);
    for (size_t i = 0; i < 3; ++i)
        checkParm_[i]->SetCaption(QString::fromLatin1(captions[i]));
}

void FrmMain::LoadNormMode() {
    for (UC_Check* mode : checkNormMode_)
        mode->SetValue(0);
    auto stored = StoredInt("NormMode", 0);
    // An index outside 0..3 selects nothing; the run then uses "Peak".
    if (stored && *stored >= 0 && *stored < 4) checkNormMode_[size_t(*stored)]->SetValue(1);
}

void FrmMain::LoadClipAndOverWrite() {
    InitCheckBox(checkClip_, QStringLiteral("Clip"), StoredFlag("Clip", 0).value_or(0), 9);
    InitCheckBox(checkOW_, QStringLiteral("OverWrite"), StoredFlag("OW", 0).value_or(0), 9);
}

void FrmMain::ApplyPanelRules() {
    ApplyOutputRule();
    ApplyNormalizeRule();
    for (int i = 0; i < 4; ++i)
        ShowSliderValue(i);
}

void FrmMain::SavePanel() {
    for (size_t i = 0; i < 4; ++i)
        WriteSetting(kSliderKeys[i], sliderParm_[i]->Value());
    WriteSetting("SoundPath", textSoundPath_->Text().toStdString());
    WriteSetting("OW", checkOW_->Value());
    for (size_t i = 0; i < 3; ++i)
        WriteSetting(UseKey(i), checkParm_[i]->Value());
    // A margin that is not a number keeps the stored one.
    for (size_t i = 0; i < 2; ++i) {
        std::string margin = textParm_[i]->text().toStdString();
        if (SettingToInt32(margin)) WriteSetting(MarginKey(i), margin);
    }
    for (size_t i = 0; i < 4; ++i)
        if (checkNormMode_[i]->Value() == 1) WriteSetting("NormMode", int32_t(i));
    WriteSetting("RMSmsec", textParm_[2]->text().toStdString());
    WriteSetting("RMSdb", textParm_[3]->text().toStdString());
    WriteSetting("Clip", checkClip_->Value());
}

void FrmMain::CheckParm_Click(int index) {
    if (index == 1) ApplyNormalizeRule();
}

void FrmMain::CheckNormMode_Click(int index) {
    for (size_t i = 0; i < checkNormMode_.size(); ++i)
        if (int(i) != index) checkNormMode_[i]->SetValue(0);
    ApplyRmsFieldRule();
}

void FrmMain::CheckOW_Click() {
    ApplyOutputRule();
}

void FrmMain::SliderParm_Scrolled(int index) {
    ShowSliderValue(index);
}

void FrmMain::ApplyNormalizeRule() {
    bool enabled = checkParm_[1]->Value() == 1;
    for (UC_Check* mode : checkNormMode_)
        mode->SetEnabled(enabled ? -1 : 0);
    textParm_[2]->setEnabled(enabled);
    textParm_[3]->setEnabled(enabled);
    ApplyRmsFieldRule();
}

void FrmMain::ApplyRmsFieldRule() {
    bool enabled = checkNormMode_[3]->Value() == 1 && checkParm_[1]->Value() == 1;
    textParm_[2]->setEnabled(enabled);
    textParm_[3]->setEnabled(enabled);
}

void FrmMain::ApplyOutputRule() {
    textSoundPath_->SetEnabled(checkOW_->Value() == 0 ? -1 : 0);
}

void FrmMain::ShowSliderValue(int index) {
    size_t i = size_t(index);
    if (i >= textValue_.size() || i >= sliderParm_.size()) return;
    textValue_[i]->DispMes(0, QString::fromStdString(SliderValueText(sliderParm_[i]->Value())),
                           false);
}

} // namespace app
