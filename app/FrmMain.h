#pragma once
// The program's one window: the parameter panel at the top, the progress bar,
// the file list, and the output box with the command buttons at the bottom.

#include "app/InstanceLock.h"
#include "app/PanelValues.h"
#include "controls/DrawHelpers.h"
#include "services/panel/PanelSettings.h"
#include "services/store/Settings.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class C_EditWave;
class QLineEdit;
class UC_Bar;
class UC_Buttons;
class UC_Check;
class UC_ListView;
class UC_ListViewData;
class UC_PathText;
class UC_Slider;
class UC_TextPicture;

namespace app {

class FrmMain : public QWidget, public PlacementWindow {
    Q_OBJECT

  public:
    // Client area in twips.
    static constexpr int ClientWidth = 7935;
    static constexpr int ClientHeight = 7125;

    explicit FrmMain(QWidget* parent = nullptr);
    ~FrmMain() override;

    // Builds and shows the window. False (nothing shown, nothing to save) when
    // another instance of the program is running.
    bool Form_Load();
    // Saves the panel and the window placement.
    void Form_Unload();

    // Batch run: 0 Clear, 1 Abort, 2 Start.
    void CtrButtons_ButtonClicked(int32_t ClickedIndex);
    void EW_Prog(float pRate, int32_t& pCancel);
    int32_t RunState() const { return runState_; }
    int32_t AbortRequested() const { return abortRequested_; }

    // File list: adds one file when its extension is exactly "wav".
    void AddTitle(const std::string& path, int32_t dropRow);
    // Adds the files of a drop in order, yielding to the event loop per file.
    void AddFiles(const std::vector<std::string>& paths, int32_t dropRow);

    // The panel as the run reads it (Output To as typed).
    panel::PanelSettings ReadPanel() const;
    // The folder the panel's Output To names (see OutputFolder).
    std::string OutputFolderOf(const panel::PanelSettings& pPanel) const;

    // Controls, for the tests and the tools.
    UC_Check* CheckParm(int i) const { return checkParm_.at(size_t(i)); }
    UC_Check* CheckNormMode(int i) const { return checkNormMode_.at(size_t(i)); }
    UC_Check* CheckClip() const { return checkClip_; }
    UC_Check* CheckOW() const { return checkOW_; }
    UC_Slider* SliderParm(int i) const { return sliderParm_.at(size_t(i)); }
    UC_TextPicture* TextValue(int i) const { return textValue_.at(size_t(i)); }
    QLineEdit* TextParm(int i) const { return textParm_.at(size_t(i)); }
    UC_PathText* TextSoundPath() const { return textSoundPath_; }
    UC_Buttons* CtrButtons() const { return ctrButtons_; }
    UC_Bar* ProgBar() const { return progBar_; }
    UC_ListView* LV() const { return lv_; }
    const Surface& Background() const { return background_; }

    // PlacementWindow: position in twips, state 0 normal, 1 minimised, 2 maximised.
    int32_t Left() const override;
    int32_t Top() const override;
    int32_t Width() const override;
    int32_t Height() const override;
    int32_t WindowState() const override;
    void SetLeft(int32_t twips) override;
    void SetTop(int32_t twips) override;
    void SetWidth(int32_t twips) override;
    void SetHeight(int32_t twips) override;
    void SetWindowState(int32_t state) override;

  protected:
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;

  private:
    // Layout and set-up.
    void CreateDesignControls();
    template <class T>
    T* LoadNextElement(std::vector<T*>& array, int16_t index, int placement, bool visible,
                       bool setFont, int gap = -1);
    void InitCheckBox(UC_Check* box, const QString& caption, int32_t value, float fontSize);
    void SetUpSliders();
    void SetUpValueDisplays();
    void SetUpButtons();
    void SetUpFileList();
    void PaintWindowBackground();
    void SetUpNormModes();
    void PrintLabels();
    void ConnectEvents();

    // Parameter panel.
    void LoadSliderValues();
    void LoadPathAndTexts();
    void LoadUseChecks();
    void LoadNormMode();
    void LoadClipAndOverWrite();
    void ApplyPanelRules();
    void SavePanel();
    void CheckParm_Click(int index);
    void CheckNormMode_Click(int index);
    void CheckOW_Click();
    void SliderParm_Scrolled(int index);
    void ApplyNormalizeRule();
    void ApplyRmsFieldRule();
    void ApplyOutputRule();
    void ShowSliderValue(int index);
    // The index of the chosen normalize option box, -1 when none is chosen.
    int32_t ChosenNormModeBox() const;

    // Batch run.
    void StartRun();
    bool RunItem(C_EditWave& editWave, int32_t index, const panel::PanelSettings& atStart);
    void ClearList();
    void SelectRunItem(int32_t index);
    void EndRun();

    // File list.
    void LV_OLEDragDrop(UC_ListViewData& Data, int32_t& Effect, int16_t Button, int16_t Shift,
                        float X, float Y);
    void LV_DblClicked();
    void RedrawList();
    void BringToFront();

    InstanceLock instance_;
    bool loaded_ = false;
    bool unloaded_ = false;
    bool closeWhenIdle_ = false;
    int32_t runState_ = 0;
    int32_t abortRequested_ = 0;

    std::vector<UC_Check*> checkParm_;
    std::vector<UC_Slider*> sliderParm_;
    std::vector<UC_TextPicture*> textValue_;
    std::vector<QLineEdit*> textParm_;
    std::vector<UC_Check*> checkNormMode_;
    UC_Check* checkClip_ = nullptr;
    UC_Check* checkOW_ = nullptr;
    UC_Bar* progBar_ = nullptr;
    UC_ListView* lv_ = nullptr;
    UC_PathText* textSoundPath_ = nullptr;
    UC_Buttons* ctrButtons_ = nullptr;
    Surface background_;
};

} // namespace app
