#pragma once
// The program's one window: the parameter panel at the top, the progress bar,
// the file list, and the output box with the command buttons at the bottom.

#include "app/InstanceLock.h"
#include "app/PanelValues.h"
#include "app/RowStatus.h"
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

    explicit FrmMain(QWidget* pParent = nullptr);
    ~FrmMain() override;

    // Builds and shows the window. False (nothing shown, nothing to save) when
    // another instance of the program is running.
    bool Form_Load();
    // Saves the panel and the window placement.
    void Form_Unload();

    // Batch run: 0 Clear, 1 Abort, 2 Start.
    void CtrButtons_ButtonClicked(int32_t ClickedIndex);
    void EW_Prog(float pRate, int32_t& pCancel);
    int32_t RunState() const { return m_RunState; }
    int32_t AbortRequested() const { return m_AbortRequested; }

    // File list: adds one file when its extension is exactly "wav".
    void AddTitle(const std::string& pPath, int32_t pDropRow);
    // Adds the files of a drop in order, yielding to the event loop per file.
    void AddFiles(const std::vector<std::string>& pPaths, int32_t pDropRow);

    // The panel as the run reads it (Output To as typed).
    panel::PanelSettings ReadPanel() const;
    // The folder the panel's Output To names (see OutputFolder).
    std::string OutputFolderOf(const panel::PanelSettings& pPanel) const;

    // Controls, for the tests and the tools.
    UC_Check* CheckParm(int pI) const { return m_CheckParm.at(size_t(pI)); }
    UC_Check* CheckNormMode(int pI) const { return m_CheckNormMode.at(size_t(pI)); }
    UC_Check* CheckClip() const { return m_CheckClip; }
    UC_Check* CheckOW() const { return m_CheckOw; }
    UC_Slider* SliderParm(int pI) const { return m_SliderParm.at(size_t(pI)); }
    UC_TextPicture* TextValue(int pI) const { return m_TextValue.at(size_t(pI)); }
    QLineEdit* TextParm(int pI) const { return m_TextParm.at(size_t(pI)); }
    UC_PathText* TextSoundPath() const { return m_TextSoundPath; }
    UC_Buttons* CtrButtons() const { return m_CtrButtons; }
    UC_Bar* ProgBar() const { return m_ProgBar; }
    UC_ListView* LV() const { return m_LV; }
    const Surface& Background() const { return m_Background; }

    // PlacementWindow: position in twips, state 0 normal, 1 minimised, 2 maximised.
    int32_t Left() const override;
    int32_t Top() const override;
    int32_t Width() const override;
    int32_t Height() const override;
    int32_t WindowState() const override;
    void SetLeft(int32_t pTwips) override;
    void SetTop(int32_t pTwips) override;
    void SetWidth(int32_t pTwips) override;
    void SetHeight(int32_t pTwips) override;
    void SetWindowState(int32_t pState) override;

  protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;

  private:
    // Layout and set-up.
    void CreateDesignControls();
    template <class T>
    T* LoadNextElement(std::vector<T*>& pArray, int16_t pIndex, int pPlacement, bool pVisible,
                       bool pSetFont, int pGap = -1);
    void InitCheckBox(UC_Check* pBox, const QString& pCaption, int32_t pValue, float pFontSize);
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
    void CheckParm_Click(int pIndex);
    void CheckNormMode_Click(int pIndex);
    void CheckOW_Click();
    void SliderParm_Scrolled(int pIndex);
    void ApplyNormalizeRule();
    void ApplyRmsFieldRule();
    void ApplyOutputRule();
    void ShowSliderValue(int pIndex);
    // The index of the chosen normalize option box, -1 when none is chosen.
    int32_t ChosenNormModeBox() const;

    // Batch run.
    void StartRun();
    bool RunItem(C_EditWave& pEditWave, int32_t pIndex, const panel::PanelSettings& pAtStart);
    void ClearList();
    void SelectRunItem(int32_t pIndex);
    // Shows what happened to row pIndex (icon and tooltip), counts it and draws only that row.
    void ShowRowStatus(int32_t pIndex, const RowStatus& pStatus);
    // Every row back to waiting, before a run.
    void ClearRowStatuses();
    void EndRun();

    // File list.
    void LV_OLEDragDrop(UC_ListViewData& Data, int32_t& Effect, int16_t Button, int16_t Shift,
                        float X, float Y);
    void LV_DblClicked();
    void LV_DeletePressed();
    // The title, length and format cells of row pRow (the list's addressing) for the file.
    void FillRowCells(int32_t pRow, const std::string& pPath);
    // Removes the selected rows unless a run is going.
    void DeleteSelectedRows();
    void RedrawList();
    void BringToFront();

    InstanceLock m_Instance;
    bool m_Loaded = false;
    bool m_Unloaded = false;
    bool m_CloseWhenIdle = false;
    int32_t m_RunState = 0;
    int32_t m_AbortRequested = 0;
    RunTally m_Tally; // the rows' states of the current or last run

    std::vector<UC_Check*> m_CheckParm;
    std::vector<UC_Slider*> m_SliderParm;
    std::vector<UC_TextPicture*> m_TextValue;
    std::vector<QLineEdit*> m_TextParm;
    std::vector<UC_Check*> m_CheckNormMode;
    UC_Check* m_CheckClip = nullptr;
    UC_Check* m_CheckOw = nullptr;
    UC_Bar* m_ProgBar = nullptr;
    UC_ListView* m_LV = nullptr;
    UC_PathText* m_TextSoundPath = nullptr;
    UC_Buttons* m_CtrButtons = nullptr;
    Surface m_Background;
};

} // namespace app
