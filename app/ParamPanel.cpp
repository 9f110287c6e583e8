#include "app/ParamPanel.h"
#include "app/PanelValues.h"
#include "app/ToolTips.h"

#include "controls/DrawHelpers.h"
#include "controls/UC_Check.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"
#include "services/core/Paths.h"
#include "services/core/TwipsPerPixel.h"
#include "services/store/Settings.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLineEdit>

#include <algorithm>

namespace app {

using panel::kSliders;
using panel::kTexts;
using panel::kUseBoxes;
using panel::ModeNeed;
using panel::TextField;
using panel::UseBox;

namespace {

// The panel's design, twips: the groups' boxes on the left, sliders with their value beside
// them, the option boxes under the level slider, the fields typed without a mode at the
// right, those of a mode on its row.
constexpr QRect kUseBoxPlace(90, 90, 1320, 300);
constexpr int kGroupTops[] = {90, 900}; // Trim, Normalize; Level Adjust follows the modes
constexpr QRect kSliderPlace(2055, 0, 2730, 300);
constexpr QRect kValuePlace(4845, 0, 675, 300);
constexpr QRect kModePlace(2055, 1305, 1230, 285);
constexpr QRect kClipPlace(5700, 0, 1230, 285);
constexpr int kFieldWidth = 630, kFieldHeight = 270;
constexpr int kSideFieldLeft = 6840, kSideFieldStep = 345;  // fields read in every mode
constexpr int kModeFieldLeft = 3345, kModeFieldStep = 1050; // fields read by some modes
constexpr QRect kOverWritePlace(4215, 6045, 1590, 285);
constexpr QRect kOutputToPlace(4215, 6360, 3615, 270);
// Widths of the level display for dB and for LUFS (it ends short of the Clip box).
constexpr int kDbValueWidth = 675, kLufsValueWidth = 840;
constexpr float kBoxFontSize = 9;

QString Latin(const char* pText) {
    return QString::fromLatin1(pText);
}

QString Latin(std::string_view pText) {
    return QString::fromLatin1(pText.data(), qsizetype(pText.size()));
}

void Place(QWidget* pW, const QRect& pTwips, int pTop) {
    PlaceTwips(pW, pTwips.x(), pTop, pTwips.width(), pTwips.height());
}

int TopOf(const QWidget* pW) {
    return GeometryTwips(pW).y();
}

// The top of a control directly below pAbove, with the design's gap.
int Below(const QWidget* pAbove) {
    const QRect g = GeometryTwips(pAbove);
    return g.y() + g.height() + 2 * TwipsPerPixel;
}

// The first mode that reads a field of this need.
size_t ModeRowFor(ModeNeed pNeed) {
    size_t row = 0;
    while (row + 1 < kNormModeCount && !panel::ModeReads(pNeed, kNormModes[row].Mode))
        ++row;
    return row;
}

// The box's caption and value; it takes its background in PaintOn.
void InitBox(UC_Check* pBox, std::string_view pCaption, int32_t pValue) {
    pBox->SetFontSize(kBoxFontSize);
    pBox->SetCaption(Latin(pCaption));
    pBox->SetValue(pValue);
}

} // namespace

ParamPanel::ParamPanel(QWidget* pWindow) : QObject(pWindow) {
    Build(pWindow);
    Load();
    Connect();
    ApplyRules();
    SetAccessibleNames();
    SetUpKeyboard();
}

void ParamPanel::Build(QWidget* pWindow) {
    for (size_t i = 0; i < kUseBoxes.size(); ++i)
        m_UseBoxes.push_back(new UC_Check(pWindow));
    for (size_t i = 0; i < std::size(kGroupTops); ++i)
        Place(m_UseBoxes[i], kUseBoxPlace, kGroupTops[i]);
    for (size_t i = 0; i < kNormModeCount; ++i) {
        auto* box = new UC_Check(pWindow);
        box->SetIsOption(1);
        Place(box, kModePlace, i == 0 ? kModePlace.y() : Below(m_ModeBoxes.back()));
        m_ModeBoxes.push_back(box);
    }
    // The groups after Normalize follow its last option box.
    for (size_t i = std::size(kGroupTops); i < m_UseBoxes.size(); ++i)
        Place(m_UseBoxes[i], kUseBoxPlace,
              Below(i == std::size(kGroupTops) ? m_ModeBoxes.back() : m_UseBoxes[i - 1]));

    // A group's sliders stand on its row, one below the other.
    for (size_t i = 0; i < kSliders.size(); ++i) {
        auto* slider = new UC_Slider(pWindow);
        const UC_Slider* above = nullptr; // the group's slider before this one
        for (size_t j = 0; j < i; ++j)
            if (kSliders[j].Group == kSliders[i].Group) above = m_Sliders[j];
        Place(slider, kSliderPlace, above ? Below(above) : TopOf(UseBoxOf(kSliders[i].Group)));
        m_Sliders.push_back(slider);
        auto* value = new UC_TextPicture(pWindow);
        Place(value, kValuePlace, TopOf(slider));
        m_Values.push_back(value);
    }
    m_Clip = new UC_Check(pWindow);
    Place(m_Clip, kClipPlace, TopOf(UseBoxOf(panel::kModeGroup)));
    // "As one" stands under Clip, on the first mode's row, where no field stands.
    m_Album = new UC_Check(pWindow);
    Place(m_Album, kClipPlace, TopOf(m_ModeBoxes.front()));
    BuildFields(pWindow);

    m_OverWrite = new UC_Check(pWindow);
    Place(m_OverWrite, kOverWritePlace, kOverWritePlace.y());
    m_OutputTo = new UC_PathText(pWindow);
    Place(m_OutputTo, kOutputToPlace, kOutputToPlace.y());
}

void ParamPanel::BuildFields(QWidget* pWindow) {
    std::vector<int> placed(kUseBoxes.size() + kNormModeCount, 0); // fields per row so far
    for (const panel::TextRow& row : kTexts) {
        auto* field = new QLineEdit(pWindow);
        if (row.Need == ModeNeed::Any) {
            int& before = placed[size_t(row.Group)];
            PlaceTwips(field, kSideFieldLeft,
                       TopOf(UseBoxOf(row.Group)) + before++ * kSideFieldStep, kFieldWidth,
                       kFieldHeight);
        } else {
            const size_t mode = ModeRowFor(row.Need);
            int& before = placed[kUseBoxes.size() + mode];
            PlaceTwips(field, kModeFieldLeft + before++ * kModeFieldStep, TopOf(m_ModeBoxes[mode]),
                       kFieldWidth, kFieldHeight);
        }
        m_Fields.push_back(field);
    }
}

void ParamPanel::Load() {
    const panel::PanelSettings stored =
        panel::ReadPanelSettings([](const std::string& pKey, const std::string& pDefault) {
            return ReadSettingText(pKey, pDefault);
        });
    m_LevelInLufs = NormModeInfo(panel::ChosenMode(stored)).ByLoudness;
    for (size_t i = 0; i < m_Sliders.size(); ++i) {
        // The stored level is already in the stored mode's unit.
        const panel::SliderRow& row = panel::Slider(i) == panel::Slider::NormLevel
                                          ? panel::LevelRowFor(panel::ChosenMode(stored))
                                          : kSliders[i];
        UC_Slider* s = m_Sliders[i];
        s->SetSmallChange(1);
        s->SetMax(row.Max);
        s->SetMin(row.Min);
        s->Init();
        s->SetValue(stored.Sliders[i]);
        m_Values[i]->AddStdColorSet(1);
        m_Values[i]->AddTextSpace();
        m_Values[i]->Init();
    }
    m_OutputTo->Init();
    m_OutputTo->SetText(QString::fromStdString(stored.SoundPath));
    for (size_t i = 0; i < m_Fields.size(); ++i)
        m_Fields[i]->setText(QString::fromStdString(stored.Texts[i]));
    for (size_t i = 0; i < m_UseBoxes.size(); ++i)
        InitBox(m_UseBoxes[i], kUseBoxes[i].Caption, stored.Use[i]);
    // A stored mode outside the table chooses nothing; the run then uses "Peak".
    for (size_t i = 0; i < m_ModeBoxes.size(); ++i)
        InitBox(m_ModeBoxes[i], kNormModes[i].Caption, int32_t(i) == stored.NormMode ? 1 : 0);
    InitBox(m_Clip, "Clip", stored.Clip);
    InitBox(m_Album, "As one", stored.Album);
    InitBox(m_OverWrite, "OverWrite", stored.OverWrite);
    m_KeepMetadata = stored.KeepMetadata;
}

void ParamPanel::PaintOn(platform::Surface& pBackground) {
    for (size_t i = 0; i < m_Fields.size(); ++i) {
        if (*kTexts[i].Label) PrintCaption(pBackground, m_Fields[i], Latin(kTexts[i].Label), 0);
        PrintCaption(pBackground, m_Fields[i], Latin(kTexts[i].Unit), 2);
    }
    PrintCaption(pBackground, m_OutputTo, QStringLiteral("Output To"), 0);
    for (size_t i = 0; i < m_Sliders.size(); ++i)
        if (*kSliders[i].Label)
            PrintCaption(pBackground, m_Sliders[i], Latin(kSliders[i].Label), 0);
    for (UC_Check* box : Boxes()) {
        const QRect g = GeometryTwips(box);
        box->SetBGPic(g.x(), g.y(), &pBackground);
        box->Draw();
    }
}

std::vector<UC_Check*> ParamPanel::Boxes() const {
    std::vector<UC_Check*> boxes = m_UseBoxes;
    boxes.insert(boxes.end(), m_ModeBoxes.begin(), m_ModeBoxes.end());
    boxes.push_back(m_Clip);
    boxes.push_back(m_Album);
    boxes.push_back(m_OverWrite);
    return boxes;
}

int ParamPanel::BottomTwips() const {
    int bottom = 0;
    for (const std::vector<QWidget*>& group :
         {std::vector<QWidget*>(m_UseBoxes.begin(), m_UseBoxes.end()),
          std::vector<QWidget*>(m_ModeBoxes.begin(), m_ModeBoxes.end()),
          std::vector<QWidget*>(m_Sliders.begin(), m_Sliders.end()),
          std::vector<QWidget*>(m_Fields.begin(), m_Fields.end())})
        for (const QWidget* w : group)
            bottom = std::max(bottom, GeometryTwips(w).bottom() + 1);
    return bottom;
}

void ParamPanel::Connect() {
    for (UC_Check* box : Boxes())
        connect(box, &UC_Check::Click, this, [this, box] { BoxClicked(box); });
    for (size_t i = 0; i < m_Sliders.size(); ++i)
        connect(m_Sliders[i], &UC_Slider::Scrolled, this, [this, i](int16_t) {
            ShowSliderValue(panel::Slider(i));
            RefreshToolTips();
            emit Changed();
        });
    for (QLineEdit* field : m_Fields)
        connect(field, &QLineEdit::textChanged, this, [this] {
            RefreshToolTips();
            emit Changed();
        });
    connect(m_OutputTo, &UC_PathText::TextChange, this, [this] {
        ShowOutputValidity();
        RefreshToolTips();
    });
}

void ParamPanel::BoxClicked(UC_Check* pBox) {
    // One mode at a time.
    if (std::find(m_ModeBoxes.begin(), m_ModeBoxes.end(), pBox) != m_ModeBoxes.end())
        for (UC_Check* mode : m_ModeBoxes)
            if (mode != pBox) mode->SetValue(0);
    ApplyRules();
    RefreshToolTips();
    emit Changed();
}

std::optional<NormMode> ParamPanel::ChosenMode() const {
    int32_t chosen = -1; // the last chosen box counts
    for (size_t i = 0; i < m_ModeBoxes.size(); ++i)
        if (m_ModeBoxes[i]->Value() != 0) chosen = int32_t(i);
    return NormModeFromIndex(chosen);
}

panel::PanelSettings ParamPanel::Read() const {
    panel::PanelSettings p;
    for (size_t i = 0; i < p.Use.size(); ++i)
        p.Use[i] = m_UseBoxes[i]->Value();
    for (size_t i = 0; i < p.Sliders.size(); ++i)
        p.Sliders[i] = m_Sliders[i]->Value();
    for (size_t i = 0; i < p.Texts.size(); ++i)
        p.Texts[i] = m_Fields[i]->text().toStdString();
    const std::optional<NormMode> mode = ChosenMode();
    p.NormMode = mode ? int32_t(*mode) : -1;
    p.Clip = m_Clip->Value();
    p.Album = m_Album->Value();
    p.OverWrite = m_OverWrite->Value();
    p.SoundPath = QFile::encodeName(m_OutputTo->Text()).toStdString();
    p.KeepMetadata = m_KeepMetadata;
    return p;
}

void ParamPanel::Save() const {
    panel::PanelSettings p = Read();
    p.SoundPath = m_OutputTo->Text().toStdString(); // as typed
    panel::WritePanelSettings(p, [](const std::string& pKey, const std::string& pValue) {
        WriteSettingText(pKey, pValue);
    });
}

std::string ParamPanel::OutputFolderOf(const panel::PanelSettings& pPanel) {
    return panel::OutputFolder(pPanel.SoundPath, QFile::encodeName(QDir::homePath()).toStdString());
}

std::string ParamPanel::MissingOutputFolder() const {
    const panel::PanelSettings p = Read();
    if (p.OverWrite != 0 || p.SoundPath.empty()) return {};
    const std::string folder = OutputFolderOf(p);
    if (!folder.empty() && FolderExists(folder) == 1) return {};
    return folder.empty() ? p.SoundPath : folder;
}

void ParamPanel::ShowOutputValidity() {
    const std::string missing = MissingOutputFolder();
    m_OutputTo->SetMarkedInvalid(!missing.empty(),
                                 QStringLiteral("No folder %1: Start asks whether to create it")
                                     .arg(QFile::decodeName(missing.c_str())));
}

void ParamPanel::ApplyRules() {
    ApplyLevelUnit();
    for (size_t i = 0; i < m_Sliders.size(); ++i) {
        const bool on = UseBoxOf(kSliders[i].Group)->Value() != 0;
        m_Sliders[i]->setEnabled(on);
        m_Values[i]->setEnabled(on);
        ShowSliderValue(panel::Slider(i));
    }
    const bool modesOn = UseBoxOf(panel::kModeGroup)->Value() == 1;
    for (UC_Check* mode : m_ModeBoxes)
        mode->SetEnabled(modesOn ? -1 : 0);
    m_Album->SetEnabled(modesOn ? -1 : 0);
    for (size_t i = 0; i < m_Fields.size(); ++i)
        m_Fields[i]->setEnabled(FieldActs(TextField(i)));
    // With OverWrite on Output To is unused: greyed, and it takes no typing.
    m_OutputTo->SetEnabled(m_OverWrite->Value() == 0 ? -1 : 0);
    ShowOutputValidity();
}

bool ParamPanel::FieldActs(TextField pField) const {
    const panel::TextRow& row = kTexts[size_t(pField)];
    if (UseBoxOf(row.Group)->Value() != 1) return false;
    if (row.Need == ModeNeed::Any) return true;
    const std::optional<NormMode> mode = ChosenMode();
    return mode && panel::ModeReads(row.Need, *mode);
}

void ParamPanel::ApplyLevelUnit() {
    const std::optional<NormMode> mode = ChosenMode();
    const bool lufs = mode && NormModeInfo(*mode).ByLoudness;
    UC_Slider* level = SliderOf(panel::Slider::NormLevel);
    if (lufs != m_LevelInLufs) {
        const panel::SliderRow& row =
            panel::LevelRowFor(lufs ? NormMode::Loudness : NormMode::Peak);
        level->SetMin(row.Min);
        level->SetMax(row.Max);
        level->SetValue(row.Default);
        m_LevelInLufs = lufs;
    }
    // "-23LUFS" needs more room than "-23db": the display reaches towards Clip meanwhile.
    UC_TextPicture* shown = ValueOf(panel::Slider::NormLevel);
    const QRect place = GeometryTwips(shown);
    PlaceTwips(shown, place.x(), place.y(), lufs ? kLufsValueWidth : kDbValueWidth, place.height());
}

void ParamPanel::ShowSliderValue(panel::Slider pSlider) {
    const bool lufs = pSlider == panel::Slider::NormLevel && m_LevelInLufs;
    ValueOf(pSlider)->DispMes(
        0, QString::fromStdString(SliderValueText(SliderOf(pSlider)->Value(), lufs)), false);
}

void ParamPanel::SetAccessibleNames() {
    for (size_t i = 0; i < m_Sliders.size(); ++i)
        m_Sliders[i]->setAccessibleName(Latin(kSliders[i].Name));
    for (size_t i = 0; i < m_Fields.size(); ++i) {
        m_Fields[i]->setAccessibleName(Latin(kTexts[i].Name));
        m_Fields[i]->setAccessibleDescription(Latin(kTexts[i].Unit));
    }
    const QString outputTo = QStringLiteral("Output To");
    m_OutputTo->setAccessibleName(outputTo);
    m_OutputTo->TextBox()->setAccessibleName(outputTo);
}

// Each group's box is followed by its sliders and fields; each option box by the fields its
// mode reads.
void ParamPanel::SetUpKeyboard() {
    std::vector<bool> taken(m_Fields.size(), false);
    for (size_t g = 0; g < m_UseBoxes.size(); ++g) {
        m_UpperOrder.push_back(m_UseBoxes[g]);
        for (size_t i = 0; i < m_Sliders.size(); ++i)
            if (size_t(kSliders[i].Group) == g) m_UpperOrder.push_back(m_Sliders[i]);
        for (size_t i = 0; i < m_Fields.size(); ++i)
            if (size_t(kTexts[i].Group) == g && kTexts[i].Need == ModeNeed::Any)
                m_UpperOrder.push_back(m_Fields[i]);
        if (UseBox(g) != panel::kModeGroup) continue;
        for (size_t m = 0; m < m_ModeBoxes.size(); ++m) {
            m_UpperOrder.push_back(m_ModeBoxes[m]);
            for (size_t i = 0; i < m_Fields.size(); ++i)
                if (kTexts[i].Need != ModeNeed::Any && !taken[i] &&
                    panel::ModeReads(kTexts[i].Need, kNormModes[m].Mode)) {
                    m_UpperOrder.push_back(m_Fields[i]);
                    taken[i] = true;
                }
        }
        m_UpperOrder.push_back(m_Clip);
        m_UpperOrder.push_back(m_Album);
    }
    auto* refresh = new ToolTipRefresh([this] { RefreshToolTips(); }, this);
    std::vector<QWidget*> watched = m_UpperOrder;
    watched.insert(watched.end(), m_Values.begin(), m_Values.end());
    for (QWidget* w : LowerTabOrder())
        watched.push_back(w);
    watched.push_back(m_OutputTo);
    for (QWidget* control : watched)
        control->installEventFilter(refresh);
    RefreshToolTips();
}

std::vector<QWidget*> ParamPanel::LowerTabOrder() const {
    return {m_OverWrite, m_OutputTo->TextBox(), m_OutputTo->PickerButton()};
}

void ParamPanel::RefreshToolTips() {
    for (size_t i = 0; i < m_UseBoxes.size(); ++i)
        m_UseBoxes[i]->setToolTip(Tip(Latin(kUseBoxes[i].Caption), OnOff(m_UseBoxes[i]->Value()),
                                      Latin(kUseBoxes[i].Help)));
    // A value display tells the same as its slider.
    for (size_t i = 0; i < m_Sliders.size(); ++i) {
        const panel::SliderRow& row = kSliders[i];
        const bool lufs = panel::Slider(i) == panel::Slider::NormLevel && m_LevelInLufs;
        const QString tip =
            UnlessOff(Tip(Latin(row.Name), Decibels(m_Sliders[i]->Value(), row.Max > 0, lufs),
                          Latin(row.Help)),
                      UseBoxOf(row.Group));
        m_Sliders[i]->setToolTip(tip);
        m_Values[i]->setToolTip(tip);
    }
    for (size_t i = 0; i < m_Fields.size(); ++i) {
        const panel::TextRow& row = kTexts[i];
        m_Fields[i]->setToolTip(
            UnlessOff(Tip(Latin(row.Name), Typed(m_Fields[i], Latin(row.TipUnit)), Latin(row.Help)),
                      UseBoxOf(row.Group)));
    }
    for (size_t i = 0; i < m_ModeBoxes.size(); ++i) {
        UC_Check* mode = m_ModeBoxes[i];
        mode->setToolTip(UnlessOff(
            Tip(mode->Caption(),
                mode->Value() != 0 ? QStringLiteral("chosen") : QStringLiteral("not chosen"),
                QStringLiteral("normalizes by ") + Latin(kNormModes[i].Help)),
            UseBoxOf(panel::kModeGroup)));
    }
    m_Clip->setToolTip(
        Tip(QStringLiteral("Clip"), OnOff(m_Clip->Value()),
            QStringLiteral("on lets the gain drive peaks past full scale; off limits the gain so "
                           "that peaks stay within it")));
    m_Album->setToolTip(UnlessOff(
        Tip(QStringLiteral("As one"), OnOff(m_Album->Value()),
            QStringLiteral("measures all files of a run as one set and gives them one gain, so "
                           "that their levels keep their proportions (an album)")),
        UseBoxOf(panel::kModeGroup)));
    m_OverWrite->setToolTip(Tip(QStringLiteral("OverWrite"), OnOff(m_OverWrite->Value()),
                                QStringLiteral("on replaces the source files with the results")));
    const QString outputTo =
        m_OverWrite->Value() != 0
            ? Tip(QStringLiteral("Output To"), QStringLiteral("not used"),
                  QStringLiteral("OverWrite is on: results replace the sources"))
            : Tip(QStringLiteral("Output To"),
                  m_OutputTo->Text().isEmpty() ? QStringLiteral("(empty)") : m_OutputTo->Text(),
                  QStringLiteral("the folder the results are written to; "
                                 "empty writes them beside the sources; F4 or \"...\" picks one"));
    m_OutputTo->setToolTip(outputTo);
    m_OutputTo->TextBox()->setToolTip(outputTo);
    m_OutputTo->PickerButton()->setToolTip(
        Tip(QStringLiteral("Choose folder"),
            m_OutputTo->PickerButton()->isEnabled() ? QStringLiteral("available")
                                                    : QStringLiteral("not used"),
            QStringLiteral("picks the Output To folder (F4 in the box does the same)")));
}

} // namespace app
