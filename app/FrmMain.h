#pragma once
// The program's one window: the parameter panel at the top, the progress bar,
// the file list, and the output box with the command buttons at the bottom.

#include "app/BusyPointer.h"
#include "app/InstanceLink.h"
#include "app/InstanceLock.h"
#include "app/PanelValues.h"
#include "app/ParamPanel.h"
#include "app/PreviewPane.h"
#include "app/RowStatus.h"
#include "app/RunPanel.h"
#include "controls/DrawHelpers.h"
#include "services/job/FileStep.h"
#include "services/job/PanelSettings.h"
#include "services/job/SetRun.h"
#include "services/store/Settings.h"

#include <QRect>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class UC_Bar;
class UC_Buttons;
class UC_ListView;
class UC_ListViewData;

namespace app {

class OriginalsButton;

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

    // Batch run: 0 Clear, 1 Abort, 2 Start. Start returns at once: the files are edited on a
    // worker thread while the window stays live; RunFinished tells the end.
    void CtrButtons_ButtonClicked(int32_t ClickedIndex);
    int32_t RunState() const { return m_RunState; }
    int32_t AbortRequested() const { return m_AbortRequested; }

    // File list: adds one file when its extension is exactly "wav".
    void AddTitle(const std::string& pPath, int32_t pDropRow);
    // Adds the files of a drop in order, yielding to the event loop per file.
    void AddFiles(const std::vector<std::string>& pPaths, int32_t pDropRow);

    // Adds the WAV files the paths name (folders opened up, see WavFilesIn) and returns how
    // many rows that made; when none, says why in the status area. A file already listed is
    // passed over (the status says so) unless pRepeats asks for it again.
    int32_t AddPaths(const std::vector<std::string>& pPaths, bool pRepeats = false);
    // Asks for WAV files to add (Ctrl+O, the list's context menu).
    void OpenFiles();
    // Files handed over by a later start of the program: added, and the window comes forward.
    void TakeFilesFromOtherStart(const std::vector<std::string>& pFiles);
    // A short note in the progress bar while no run is going; empty clears it.
    void ShowStatus(const QString& pText);

    // The file dialog for OpenFiles (the platform's unless replaced): the chosen files.
    using FilesPicker =
        std::function<std::vector<std::string>(QWidget* pOwner, const std::string& pStartFolder)>;
    void SetFilesPicker(FilesPicker pPicker) { m_PickFiles = std::move(pPicker); }
    // What Start does when Output To names no existing folder (the platform's message box
    // asks unless replaced).
    enum class MissingOutputChoice { CreateFolder, BesideSources, Cancel };
    using MissingOutputQuestion = std::function<MissingOutputChoice(const QString& pFolder)>;
    void SetMissingOutputQuestion(MissingOutputQuestion pQuestion) {
        m_AskMissingOutput = std::move(pQuestion);
    }
    // What Clear asks before it empties a list of pRows rows (the platform's message box
    // unless replaced): true clears.
    using ClearQuestion = std::function<bool(int32_t pRows)>;
    void SetClearQuestion(ClearQuestion pQuestion) { m_AskClear = std::move(pQuestion); }
    // The edit job a run gives each file (the engine unless replaced; called on the worker).
    void SetStepEdit(job::EditFn pEdit) { m_StepEdit = std::move(pEdit); }
    QMenu* ListMenu() const { return m_ListMenu; }
    QAction* AddFilesAction() const { return m_AddFilesAction; }
    // Puts back the originals of the newest run that replaced files (Ctrl+Z, the list's menu),
    // as quillan-batch --undo does, and says in the status what it did. Not during a run.
    void UndoLastRun();
    QAction* UndoAction() const { return m_UndoAction; }
    const InstanceLink& Link() const { return m_Link; }

    // The panel as the run reads it (Output To as typed).
    panel::PanelSettings ReadPanel() const { return m_Panel->Read(); }
    // The folder the panel's Output To names (see OutputFolder).
    std::string OutputFolderOf(const panel::PanelSettings& pPanel) const {
        return ParamPanel::OutputFolderOf(pPanel);
    }

    // The parts, for the tests and the tools.
    ParamPanel* Panel() const { return m_Panel; }
    PreviewPane* Pane() const { return m_Pane; }
    UC_Buttons* CtrButtons() const { return m_CtrButtons; }
    OriginalsButton* Originals() const { return m_Originals; }
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

  signals:
    // A run ended: every row has its status, the summary is shown, the buttons are back.
    void RunFinished();

  protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;

  private:
    // Layout and set-up.
    void CreateDesignControls(int pShift);
    void SetUpButtons();
    void SetUpFileList();
    void PaintWindowBackground();
    void ConnectEvents();
    // Tab order in the window's reading order, and the tooltips of the controls below the
    // panel kept current.
    void SetUpKeyboard();
    void RefreshToolTips();

    // Layout that follows the window size: the list and the progress bar take
    // the room beyond the design size, the controls below the list keep their
    // distance to the bottom right corner, the panel stays as designed.
    void RecordDesignLayout();
    void ApplyWindowSize();
    // The smallest client size: the design, and the preview strip's room while shown.
    QSize MinimumClientSize() const;
    void PreviewShownChanged(bool pShown);
    // The stored placement, never minimised and always on a screen.
    void RestorePlacement();
    void KeepOnScreen();
    // Names for the screen reader where a caption is printed on the background.
    void SetAccessibleNames();

    // Batch run. At Start the GUI thread hands the rows' files to the worker, which walks them
    // and builds each file's step from m_RunPanel, the panel as it stands at that file's start;
    // it sends progress back queued and queues the outcomes, which the window takes in batches.
    // What a run keeps from its Start to its end.
    struct RunPlan {
        panel::PanelSettings AtStart; // margins, the normalize level and mode, the RMS fields
        int32_t Count = 0;            // the rows at Start; the run walks them in their order
        int32_t SortDisabled = 0;     // the list's own setting, back at the end
        BusyPointer Busy{Qt::BusyCursor};
    };
    // A row's outcome as the worker queues it; none when the row names no file.
    struct RowOutcome {
        int32_t Row = 0;
        std::string Source;
        std::optional<job::StepOutcome> Outcome;
    };
    void StartRun();
    // Keeps m_RunPanel as the panel stands while a run is going; sets up m_TakeTimer.
    void ConnectRun();
    void KeepRunPanel();
    // Hands the files of the rows at Start to the worker, which runs them one after another.
    void StartWalk();
    // Called on the worker: the files in row order until the last, Abort or a cancelled file;
    // the window hears of the end once every outcome is queued.
    void Walk(const std::vector<std::string>& pSources, const panel::PanelSettings& pAtStart,
              results::RunJournal& pJournal);
    // Called on the worker: queues an outcome; the window is woken when the queue was empty.
    void HandOver(RowOutcome pOutcome);
    // The worker queued outcomes: taken at once when the last taking is older than a run's
    // drawing interval, else when it is that old.
    void OutcomesWaiting();
    // Shows the queued outcomes; pGoesOn: the row after the last is marked as in hand.
    void TakeOutcomes(bool pGoesOn);
    // Shows a file's outcome in its row (its cells again when the source was replaced).
    void ShowOutcome(int32_t pIndex, const std::string& pSource, const job::StepOutcome& pOutcome);
    // Album mode ("As one" with Normalize): the worker measures every row, pools their levels
    // into one, then writes every row with the set's gain; the bar covers both phases.
    static bool AlbumRunWanted(const panel::PanelSettings& pAtStart);
    void StartAlbumRun();
    void SelectAlbumItem(int32_t pRow, job::SetPhase pPhase);
    void ShowAlbumFigures(const std::vector<std::string>& pPaths, const job::SetFigures& pSet);
    // Ends an album run; pUnwritten: the rows the run did not reach (Abort).
    void FinishAlbumRun(const std::vector<int32_t>& pUnwritten);
    // Ends the run; rows from pFirstUnreached on were not reached (Abort).
    void FinishRun(int32_t pFirstUnreached);
    // The step of pSource as the panel stands now (m_RunPanel), reporting to the window; on the
    // worker, and for an album at its Start.
    job::StepRequest RunRequest(const std::string& pSource, const panel::PanelSettings& pAtStart);
    // Called on the worker: the bar moves when its value does.
    void PostProgress(float pRate);
    // Stops the run, if any, and waits for the worker to let go of its file.
    void StopRunAndWait();
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

    // Adding files and Output To.
    void SetUpListMenu();
    void SetUpUndo();
    // Rows of the files an undo put back: their cells read again, their status cleared.
    void ShowRestoredRows(const std::vector<std::string>& pRestored);
    void ShowListMenu(const QPoint& pAt);
    void ListenForOtherStarts();
    // Keyboard and screen reader: Start is the strip's default, the buttons follow the run
    // state, Clear asks first, and the list's description follows its rows.
    void SetUpAccessibility();
    void ShowRunButtons();
    bool ConfirmClear();

    // Asks what to do about a missing output folder; false when Start is to do nothing.
    bool SettleMissingOutputFolder();

    InstanceLock m_Instance;
    InstanceLink m_Link;
    FilesPicker m_PickFiles;
    MissingOutputQuestion m_AskMissingOutput;
    ClearQuestion m_AskClear;
    job::EditFn m_StepEdit;
    QMenu* m_ListMenu = nullptr;
    QAction* m_AddFilesAction = nullptr;
    QAction* m_RemoveRowsAction = nullptr;
    QAction* m_UndoAction = nullptr;
    bool m_Loaded = false;
    bool m_Unloaded = false;
    bool m_CloseWhenIdle = false;
    int32_t m_RunState = 0;
    std::atomic<int32_t> m_AbortRequested{0};
    RunPanel m_RunPanel; // the panel as the worker reads it
    // When the worker last sent the bar a value (steady clock, ms).
    std::atomic<int64_t> m_ProgressPostedMs{0};
    std::atomic<int32_t> m_PostedProgress{-1}; // the bar value last sent by the worker
    std::unique_ptr<RunPlan> m_Run;            // while a run is going
    std::mutex m_OutcomesLock;
    std::vector<RowOutcome> m_Outcomes; // queued by the worker, taken by the window
    QTimer m_TakeTimer;                 // takes outcomes that came soon after the last ones
    int64_t m_TakenMs = 0;              // when the window last took outcomes (steady clock)
    // The journal of the current run, written by the worker as each source is replaced.
    std::shared_ptr<results::RunJournal> m_Journal;
    QThreadPool m_RunWorker; // one thread: the file in hand
    RunTally m_Tally;        // the rows' states of the current or last run
    std::string m_RunNote;   // follows the summary (an album's gain)

    ParamPanel* m_Panel = nullptr;
    PreviewPane* m_Pane = nullptr;
    UC_Bar* m_ProgBar = nullptr;
    UC_ListView* m_LV = nullptr;
    UC_Buttons* m_CtrButtons = nullptr;
    OriginalsButton* m_Originals = nullptr;
    Surface m_Background;

    struct LayoutAnchor {
        QWidget* Control = nullptr;
        QRect Design;       // pixels, at the design size
        bool Grows = false; // takes the extra size; otherwise moves with the corner
    };
    std::vector<LayoutAnchor> m_Anchors;
    QSize m_DesignSize;
};

} // namespace app
