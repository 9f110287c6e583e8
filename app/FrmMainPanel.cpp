// The parameter panel of the main window: loading, saving and the rules that
// switch its fields on and off.

#include "app/FrmMain.h"

#include "controls/UC_Check.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"
#include "services/job/PanelSettings.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>

#include <string>
#include <vector>

namespace app {

namespace {

QString ToQString(const std::string& pText) {
    return QString::fromStdString(pText);
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
        p.Use[i] = m_CheckParm[i]->Value();
    for (size_t i = 0; i < p.Sliders.size(); ++i) {
        p.Sliders[i] = m_SliderParm[i]->Value();
        p.Texts[i] = m_TextParm[i]->text().toStdString();
    }
    p.NormMode = ChosenNormModeBox();
    p.Clip = m_CheckClip->Value();
    p.OverWrite = m_CheckOw->Value();
    p.SoundPath = QFile::encodeName(m_TextSoundPath->Text()).toStdString();
    if (m_TextCeiling) p.TruePeak = m_TextCeiling->text().toStdString();
    p.KeepMetadata = m_KeepMetadata;
    return p;
}

int32_t FrmMain::ChosenNormModeBox() const {
    int32_t chosen = -1; // the last chosen box counts
    for (size_t i = 0; i < m_CheckNormMode.size(); ++i)
        if (m_CheckNormMode[i]->Value() != 0) chosen = int32_t(i);
    return chosen;
}

std::string FrmMain::OutputFolderOf(const panel::PanelSettings& pPanel) const {
    return panel::OutputFolder(pPanel.SoundPath, QFile::encodeName(QDir::homePath()).toStdString());
}

void FrmMain::LoadSliderValues() {
    const panel::PanelSettings stored = StoredPanel();
    for (size_t i = 0; i < stored.Sliders.size(); ++i)
        m_SliderParm[i]->SetValue(stored.Sliders[i]);
}

void FrmMain::LoadPathAndTexts() {
    const panel::PanelSettings stored = StoredPanel();
    m_TextSoundPath->SetText(ToQString(stored.SoundPath));
    for (size_t i = 0; i < stored.Texts.size(); ++i)
        m_TextParm[i]->setText(ToQString(stored.Texts[i]));
}

void FrmMain::LoadUseChecks() {
    const char* captions[3] = {"Trim Level", "Normalize", "Level Adjust"};
    const panel::PanelSettings stored = StoredPanel();
    for (size_t i = 0; i < 3; ++i)
        InitCheckBox(m_CheckParm[i], QString(), stored.Use[i], 9);
    for (size_t i = 0; i < 3; ++i)
        m_CheckParm[i]->SetCaption(QString::fromLatin1(captions[i]));
}

void FrmMain::LoadNormMode() {
    for (UC_Check* mode : m_CheckNormMode)
        mode->SetValue(0);
    // A stored mode outside the table chooses nothing; the run then uses "Peak".
    const int32_t stored = StoredPanel().NormMode;
    if (stored >= 0 && size_t(stored) < m_CheckNormMode.size())
        m_CheckNormMode[size_t(stored)]->SetValue(1);
}

void FrmMain::LoadClipAndOverWrite() {
    const panel::PanelSettings stored = StoredPanel();
    InitCheckBox(m_CheckClip, QStringLiteral("Clip"), stored.Clip, 9);
    InitCheckBox(m_CheckOw, QStringLiteral("OverWrite"), stored.OverWrite, 9);
    m_KeepMetadata = stored.KeepMetadata;
}

void FrmMain::ApplyPanelRules() {
    ApplyOutputRule();
    for (int i = 0; i < 3; ++i)
        ApplyUseRule(i);
    ApplyNormalizeRule();
    for (int i = 0; i < 4; ++i)
        ShowSliderValue(i);
}

void FrmMain::SavePanel() {
    panel::PanelSettings p = ReadPanel();
    p.SoundPath = m_TextSoundPath->Text().toStdString(); // as typed
    panel::WritePanelSettings(p, [](const std::string& pKey, const std::string& pValue) {
        WriteSettingText(pKey, pValue);
    });
}

void FrmMain::CheckParm_Click(int pIndex) {
    ApplyUseRule(pIndex);
    if (pIndex == 1) ApplyNormalizeRule();
}

void FrmMain::CheckNormMode_Click(int pIndex) {
    for (size_t i = 0; i < m_CheckNormMode.size(); ++i)
        if (int(i) != pIndex) m_CheckNormMode[i]->SetValue(0);
    ApplyRmsFieldRule();
    ApplyLoudnessRule();
}

void FrmMain::CheckOW_Click() {
    ApplyOutputRule();
}

void FrmMain::SliderParm_Scrolled(int pIndex) {
    ShowSliderValue(pIndex);
}

void FrmMain::ApplyNormalizeRule() {
    bool enabled = m_CheckParm[1]->Value() == 1;
    for (UC_Check* mode : m_CheckNormMode)
        mode->SetEnabled(enabled ? -1 : 0);
    m_TextParm[2]->setEnabled(enabled);
    m_TextParm[3]->setEnabled(enabled);
    ApplyRmsFieldRule();
    ApplyLoudnessRule();
}

void FrmMain::ApplyRmsFieldRule() {
    const auto mode = NormModeFromIndex(ChosenNormModeBox());
    const bool enabled = mode && NormModeInfo(*mode).UsesGate && m_CheckParm[1]->Value() == 1;
    m_TextParm[2]->setEnabled(enabled);
    m_TextParm[3]->setEnabled(enabled);
}

void FrmMain::ApplyUseRule(int pIndex) {
    using panel::Slider;
    using panel::TextField;
    struct Group {
        std::vector<Slider> Sliders;
        std::vector<TextField> Fields;
    };
    // The margins only act with trimming; the RMS fields have their own rule.
    static const Group kGroups[3] = {
        {{Slider::TrimIn, Slider::TrimOut}, {TextField::StartMargin, TextField::EndMargin}},
        {{Slider::NormLevel}, {}},
        {{Slider::Adjust}, {}},
    };
    if (pIndex < 0 || pIndex >= 3 || size_t(pIndex) >= m_CheckParm.size()) return;
    const bool on = m_CheckParm[size_t(pIndex)]->Value() != 0;
    for (Slider s : kGroups[pIndex].Sliders) {
        m_SliderParm[size_t(s)]->setEnabled(on);
        m_TextValue[size_t(s)]->setEnabled(on);
    }
    for (TextField f : kGroups[pIndex].Fields)
        m_TextParm[size_t(f)]->setEnabled(on);
}

void FrmMain::ApplyOutputRule() {
    // With OverWrite on the box is unused: greyed, and it takes no typing.
    m_TextSoundPath->SetEnabled(m_CheckOw->Value() == 0 ? -1 : 0);
    ShowOutputValidity();
}

void FrmMain::ShowSliderValue(int pIndex) {
    size_t i = size_t(pIndex);
    if (i >= m_TextValue.size() || i >= m_SliderParm.size()) return;
    const bool lufs = i == size_t(panel::Slider::NormLevel) && m_LevelInLufs;
    m_TextValue[i]->DispMes(
        0, QString::fromStdString(SliderValueText(m_SliderParm[i]->Value(), lufs)), false);
}

} // namespace app
