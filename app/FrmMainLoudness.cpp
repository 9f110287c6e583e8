// The loudness mode on the parameter panel: while "Loudness" is chosen the level slider reads
// LUFS, and a field beside its option box holds the true-peak ceiling.

#include "app/FrmMain.h"

#include "controls/UC_Check.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"

#include <QLineEdit>

namespace app {

namespace {

// Widths of the level display for dB and for LUFS (it ends short of the Clip box).
constexpr int kDbDisplayTwips = 675;
constexpr int kLufsDisplayTwips = 840;

// The option box of the loudness mode.
size_t LoudnessRow() {
    size_t row = 0;
    while (row + 1 < kNormModeCount && !kNormModes[row].ByLoudness)
        ++row;
    return row;
}

} // namespace

bool FrmMain::LoudnessChosen() const {
    const auto mode = NormModeFromIndex(ChosenNormModeBox());
    return mode && NormModeInfo(*mode).ByLoudness;
}

void FrmMain::SetUpLoudnessPanel() {
    // The ceiling field stands beside the Loudness box as the RMS window does beside RMS(Calc).
    const QRect rms = GeometryTwips(m_TextParm[size_t(panel::TextField::RmsWindow)]);
    m_TextCeiling = new QLineEdit(this);
    PlaceTwips(m_TextCeiling, rms.x(), GeometryTwips(m_CheckNormMode[LoudnessRow()]).y(),
               rms.width(), rms.height());
    m_TextCeiling->setFont(m_TextParm[0]->font());
    m_TextCeiling->setText(QString::fromStdString(
        panel::ReadPanelSettings([](const std::string& pKey, const std::string& pDefault) {
            return ReadSettingText(pKey, pDefault);
        }).TruePeak));
    PrintCaption(m_Background, m_TextCeiling, QStringLiteral("dBTP"), 2);
    m_TextCeiling->show();
    // The stored level is already in the stored mode's unit.
    m_LevelInLufs = LoudnessChosen();
    ApplyLoudnessRule();
}

void FrmMain::ApplyLoudnessRule() {
    if (!m_TextCeiling) return; // before set-up
    const bool lufs = LoudnessChosen();
    const panel::SliderRow& row = panel::LevelRowFor(lufs ? NormMode::Loudness : NormMode::Peak);
    UC_Slider* level = m_SliderParm[size_t(panel::Slider::NormLevel)];
    const int32_t value = lufs == m_LevelInLufs ? level->Value() : row.Default;
    level->SetMin(row.Min);
    level->SetMax(row.Max);
    level->SetValue(value);
    m_LevelInLufs = lufs;
    // "-23LUFS" needs more room than "-23db": the display reaches towards Clip meanwhile.
    UC_TextPicture* shown = m_TextValue[size_t(panel::Slider::NormLevel)];
    const QRect place = GeometryTwips(shown);
    PlaceTwips(shown, place.x(), place.y(), lufs ? kLufsDisplayTwips : kDbDisplayTwips,
               place.height());
    ShowSliderValue(int(panel::Slider::NormLevel));
    m_TextCeiling->setEnabled(lufs && m_CheckParm[size_t(panel::UseBox::Normalize)]->Value() == 1);
}

} // namespace app
