#pragma once
// The parameter panel of the main window, built from the panel tables: a check box per
// group with its sliders, value displays and fields, an option box per normalize mode with
// the fields that mode reads beside it, Clip and As one (album), and OverWrite with Output To at
// the bottom. It loads and stores the panel, keeps its rules (what takes input when), its tooltips
// and its Tab order, and reads as a PanelSettings.

#include "engine/NormModes.h"
#include "services/job/PanelSettings.h"

#include <QObject>

#include <optional>
#include <string>
#include <vector>

class QLineEdit;
class QWidget;
namespace platform {
class Surface;
}
class UC_Check;
class UC_PathText;
class UC_Slider;
class UC_TextPicture;

namespace app {

class ParamPanel : public QObject {
    Q_OBJECT

  public:
    // Builds the controls on pWindow with the stored values.
    explicit ParamPanel(QWidget* pWindow);

    // The panel as the run reads it (Output To as typed).
    panel::PanelSettings Read() const;
    void Save() const;
    // The folder the panel's Output To names (see panel::OutputFolder).
    static std::string OutputFolderOf(const panel::PanelSettings& pPanel);
    // The folder Output To names when it does not exist and the run would write there;
    // empty when the run can go as it is.
    std::string MissingOutputFolder() const;
    // Marks Output To when it names no existing folder (and OverWrite is off).
    void ShowOutputValidity();

    // The lowest edge of the controls above the file list, twips.
    int BottomTwips() const;
    // The controls in reading order: those above the list, and those below it.
    const std::vector<QWidget*>& UpperTabOrder() const { return m_UpperOrder; }
    std::vector<QWidget*> LowerTabOrder() const;
    // Prints the captions on the window's background and lets the boxes draw over their parts
    // of it; again for each new background (it must outlive the panel).
    void PaintOn(platform::Surface& pBackground);

    UC_Check* UseBoxOf(panel::UseBox pBox) const { return m_UseBoxes.at(size_t(pBox)); }
    UC_Slider* SliderOf(panel::Slider pSlider) const { return m_Sliders.at(size_t(pSlider)); }
    UC_TextPicture* ValueOf(panel::Slider pSlider) const { return m_Values.at(size_t(pSlider)); }
    QLineEdit* FieldOf(panel::TextField pField) const { return m_Fields.at(size_t(pField)); }
    UC_Check* ModeBoxOf(NormMode pMode) const { return m_ModeBoxes.at(size_t(pMode)); }
    UC_Check* ClipBox() const { return m_Clip; }
    UC_Check* AlbumBox() const { return m_Album; }
    UC_Check* OverWriteBox() const { return m_OverWrite; }
    UC_PathText* OutputTo() const { return m_OutputTo; }

  signals:
    // A value that shapes the job changed: a box, a slider or a field.
    void Changed();

  private:
    void Build(QWidget* pWindow);
    void BuildFields(QWidget* pWindow);
    void Load();
    void Connect();
    void SetUpKeyboard();
    void SetAccessibleNames();
    void BoxClicked(UC_Check* pBox);
    // Every rule at once: cheap, and no state can be missed.
    void ApplyRules();
    // The level slider's range and unit follow the chosen mode (dB or LUFS); a change of unit
    // puts the slider at the new unit's default.
    void ApplyLevelUnit();
    bool FieldActs(panel::TextField pField) const;
    void ShowSliderValue(panel::Slider pSlider);
    void RefreshToolTips();
    std::optional<NormMode> ChosenMode() const;
    std::vector<UC_Check*> Boxes() const;

    std::vector<UC_Check*> m_UseBoxes;
    std::vector<UC_Slider*> m_Sliders;
    std::vector<UC_TextPicture*> m_Values;
    std::vector<QLineEdit*> m_Fields;
    std::vector<UC_Check*> m_ModeBoxes;
    UC_Check* m_Clip = nullptr;
    UC_Check* m_Album = nullptr; // "As one": the files as one set with one gain
    UC_Check* m_OverWrite = nullptr;
    UC_PathText* m_OutputTo = nullptr;
    std::vector<QWidget*> m_UpperOrder;
    bool m_LevelInLufs = false; // the level slider's unit
    int32_t m_KeepMetadata = 1; // stored only (no control): results carry the metadata chunks
};

} // namespace app
