// The parameter panel of the main window: loading, saving and the rules that
// switch its fields on and off.

#include "app/FrmMain.h"

#include "controls/UC_Check.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"
#include "services/panel/PanelSettings.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>

#include <string>

namespace app {

namespace {

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

// The panel as stored; a damaged value gives its field the default.
panel::PanelSettings StoredPanel() {
    return panel::ReadPanelSettings([](const std::string& pKey, const std::string& pDefault) {
        return ReadSettingText(pKey, pDefault);
    });
}

} // namespace

panel::PanelSettings FrmMain::ReadPanel() const {
    panel::PanelSettings p;
    for (size_t i = 0; i < p.Use.size(); ++i)
        p.Use[i] = checkParm_[i]->Value();
    for (size_t i = 0; i < p.Sliders.size(); ++i) {
        p.Sliders[i] = sliderParm_[i]->Value();
        p.Texts[i] = textParm_[i]->text().toStdString();
    }
    p.NormMode = ChosenNormModeBox();
    p.Clip = checkClip_->Value();
    p.OverWrite = checkOW_->Value();
    p.SoundPath = QFile::encodeName(textSoundPath_->Text()).toStdString();
    return p;
}

int32_t FrmMain::ChosenNormModeBox() const {
    int32_t chosen = -1; // the last chosen box counts
    for (size_t i = 0; i < checkNormMode_.size(); ++i)
        if (checkNormMode_[i]->Value() != 0) chosen = int32_t(i);
    return chosen;
}

std::string FrmMain::OutputFolderOf(const panel::PanelSettings& pPanel) const {
    return panel::OutputFolder(pPanel.SoundPath, QFile::encodeName(QDir::homePath()).toStdString());
}

void FrmMain::LoadSliderValues() {
    const panel::PanelSettings stored = StoredPanel();
    for (size_t i = 0; i < stored.Sliders.size(); ++i)
        sliderParm_[i]->SetValue(stored.Sliders[i]);
}

void FrmMain::LoadPathAndTexts() {
    const panel::PanelSettings stored = StoredPanel();
    textSoundPath_->SetText(ToQString(stored.SoundPath));
    for (size_t i = 0; i < stored.Texts.size(); ++i)
        textParm_[i]->setText(ToQString(stored.Texts[i]));
}

void FrmMain::LoadUseChecks() {
    const char* captions[3] = {"Trim Level", "Normalize", "Level Adjust"};
    const panel::PanelSettings stored = StoredPanel();
    for (size_t i = 0; i < 3; ++i)
        InitCheckBox(checkParm_[i], QString(), stored.Use[i], 9);
    for (size_t i = 0; i < 3; ++i)
        checkParm_[i]->SetCaption(QString::fromLatin1(captions[i]));
}

void FrmMain::LoadNormMode() {
    for (UC_Check* mode : checkNormMode_)
        mode->SetValue(0);
    // A stored mode outside the table chooses nothing; the run then uses "Peak".
    const int32_t stored = StoredPanel().NormMode;
    if (stored >= 0 && size_t(stored) < checkNormMode_.size())
        checkNormMode_[size_t(stored)]->SetValue(1);
}

void FrmMain::LoadClipAndOverWrite() {
    const panel::PanelSettings stored = StoredPanel();
    InitCheckBox(checkClip_, QStringLiteral("Clip"), stored.Clip, 9);
    InitCheckBox(checkOW_, QStringLiteral("OverWrite"), stored.OverWrite, 9);
}

void FrmMain::ApplyPanelRules() {
    ApplyOutputRule();
    ApplyNormalizeRule();
    for (int i = 0; i < 4; ++i)
        ShowSliderValue(i);
}

void FrmMain::SavePanel() {
    panel::PanelSettings p = ReadPanel();
    p.SoundPath = textSoundPath_->Text().toStdString(); // as typed
    panel::WritePanelSettings(p, [](const std::string& pKey, const std::string& pValue) {
        WriteSettingText(pKey, pValue);
    });
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
    const auto mode = NormModeFromIndex(ChosenNormModeBox());
    const bool enabled = mode && NormModeInfo(*mode).UsesGate && checkParm_[1]->Value() == 1;
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
