#pragma once
// The self-drawn multi-column list: a header, a row area drawn from the item
// store, two scroll bars, in-place editors, item dragging and file drops.
// Lengths are twips; the store and its rules live in UC_ListViewModel.

#include "controls/DrawHelpers.h"
#include "controls/UC_ListViewModel.h"

#include <QElapsedTimer>
#include <QFont>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class QComboBox;
class QDragMoveEvent;
class QDropEvent;
class QLineEdit;
class QMenu;
class QMimeData;
class QWheelEvent;
class UC_ListViewBar;
class UC_ListViewPane;

// The drag-and-drop data object handed to the host with the drag events.
class UC_ListViewData {
  public:
    UC_ListViewData(const QMimeData* pRead, QMimeData* pWrite) : m_Read(pRead), m_Write(pWrite) {}
    // What was dropped (null for an item drag being started).
    const QMimeData* Mime() const { return m_Read; }
    // What an item drag carries; the host fills it on OLEStartDrag (null for drops).
    QMimeData* DragMime() const { return m_Write; }
    // The dropped local files, in drop order.
    QStringList FileList() const;
    int32_t FileCount() const { return int32_t(FileList().size()); }
    // File number pIndex, counted from 1; empty when out of range.
    QString Files(int32_t pIndex) const;

  private:
    const QMimeData* m_Read;
    QMimeData* m_Write;
};

// The icons of the list's icon strip, by their IconType number.
enum class LVIcon : int32_t {
    Page,
    Wave,
    Folder,
    Note,
    Check,
    Cross,
    Star,
    Arrow,
    Speaker,
    Info,
    Skip
};

// The list's behaviour switches and selection band, as one record; all flags are 0 = off.
struct UC_ListViewOptions {
    int32_t HbarDisabled = 0;   // no horizontal bar
    int32_t UseMadara = 0;      // striped rows
    int32_t NoMultiSelect = 0;  // Shift and Ctrl presses select one row
    int32_t NoOleScroll = 0;    // no scrolling while something is dragged over the list
    int32_t BarNoDoEvents = 0;  // no yielding to the event loop while a bar scrolls
    int32_t NoAlign4Tab = 0;    // captions of right-aligned columns stay left-aligned
    int32_t SortDisabled = 0;   // a header click does not sort
    int32_t IconDisabled = 0;   // no icons (read by Init for the icon area)
    int32_t TabDisabled = 0;    // no header
    int32_t ClickDisabled = 0;  // the list ignores the mouse
    int32_t UseTabOrder = 0;    // a right click on a header opens the column position menu
    int32_t HideTextCombo = 0;  // hide all in-place editors
    int32_t BorderIfBlank = 0;  // n: shade rows whose data column n-1 is empty
    int32_t NumWheelScroll = 3; // rows per wheel step
    Color SelectedColor = 0xC0A0A0;
    int32_t SelectedColorMode = 9; // raster mode of the selection band
};

class UC_ListView : public QWidget {
    Q_OBJECT

  public:
    static constexpr int32_t TabHeight = 270; // smallest header height
    static constexpr int32_t BarThickness = 270;
    static constexpr Color StripeColor = 0xFFFFCC; // red 204, green 255, blue 255
    static constexpr Color BlankColor = 0xE0E0E0;

    explicit UC_ListView(QWidget* pParent = nullptr);
    ~UC_ListView() override;

    // ---- set-up
    void SetStyle(float pSize, bool pBold, const QString& pName, Color pForeColor,
                  Color pBackColor);
    void SetOneHeight();
    void Init();
    void InitTab();
    void AddComboItem(int32_t pData, const QString& pValue);
    void ClearComboItem(int32_t pData);
    int32_t ComboIndex(int32_t pIndex, int32_t pData) const;

    void SetUseUCBar(bool pValue) {
        if (!m_Initialised) m_UseUcBar = pValue;
    }
    bool UseUCBar() const { return m_UseUcBar; }
    const UC_ListViewOptions& Options() const { return m_Options; }
    void SetOptions(const UC_ListViewOptions& pOptions) { m_Options = pOptions; }
    // The documented flag properties, each one field of Options().
    void SetHbarDisabled(int32_t pValue) { m_Options.HbarDisabled = pValue; }
    void SetUseMadara(int32_t pValue) { m_Options.UseMadara = pValue; }
    void SetNoMultiSelect(int32_t pValue) { m_Options.NoMultiSelect = pValue; }
    void SetNoOleScroll(int32_t pValue) { m_Options.NoOleScroll = pValue; }
    void SetBarNoDoEvents(int32_t pValue) { m_Options.BarNoDoEvents = pValue; }
    void SetNoAlign4Tab(int32_t pValue) { m_Options.NoAlign4Tab = pValue; }
    int32_t SortDisabled() const { return m_Options.SortDisabled; }
    void SetSortDisabled(int32_t pValue) { m_Options.SortDisabled = pValue; }
    void SetIconDisabled(int32_t pValue) { m_Options.IconDisabled = pValue; }
    void SetTabDisabled(int32_t pValue) { m_Options.TabDisabled = pValue; }
    int32_t ClickDisabled() const { return m_Options.ClickDisabled; }
    void SetClickDisabled(int32_t pValue) { m_Options.ClickDisabled = pValue; }
    int32_t UseTabOrder() const { return m_Options.UseTabOrder; }
    void SetUseTabOrder(int32_t pValue) { m_Options.UseTabOrder = pValue; }
    int32_t HideTextCombo() const { return m_Options.HideTextCombo; }
    void SetHideTextCombo(int32_t pValue) { m_Options.HideTextCombo = pValue; }
    void SetBorderIfBlank(int32_t pValue) { m_Options.BorderIfBlank = pValue; }
    void SetSelectedColor(Color pValue) { m_Options.SelectedColor = pValue; }
    void SetSelectedColorMode(int32_t pValue) { m_Options.SelectedColorMode = pValue; }
    void SetNumWheelScroll(int32_t pValue) { m_Options.NumWheelScroll = pValue; }
    int32_t IconAreaWidth() const { return m_IconArea; }
    // The column width (twips) a cell needs to show the text whole in the list's font.
    int32_t CellWidthFor(const QString& pText) const;

    // ---- the store: columns, items and selection, kept in Model()
    const UC_ListViewModel& Model() const { return m_Model; }
    // clang-format off
    int32_t NumData() const { return m_Model.NumData(); }
    void SetNumData(int32_t pValue) { m_Model.SetNumData(pValue); }
    int32_t NumAux() const { return m_Model.NumAux(); }
    void SetNumAux(int32_t pValue) { m_Model.SetNumAux(pValue); }
    void ResetNumTab() { m_Model.ResetNumTab(); }
    QString TabName(int32_t pData) const { return m_Model.TabName(pData); }
    void SetTabName(int32_t pData, const QString& pValue) { m_Model.SetTabName(pData, pValue); }
    int32_t TabWidth(int32_t pData) const { return m_Model.TabWidth(pData); }
    void SetTabWidth(int32_t pData, int32_t pValue) { m_Model.SetTabWidth(pData, pValue); }
    int32_t TabAlign(int32_t pData) const { return m_Model.TabAlign(pData); }
    void SetTabAlign(int32_t pData, int32_t pValue) { m_Model.SetTabAlign(pData, pValue); }
    int32_t TabHidden(int32_t pData) const { return m_Model.TabHidden(pData); }
    void SetTabHidden(int32_t pData, int32_t pValue) { m_Model.SetTabHidden(pData, pValue); }
    int32_t DataNumeric(int32_t pData) const { return m_Model.DataNumeric(pData); }
    void SetDataNumeric(int32_t pData, int32_t pValue) { m_Model.SetDataNumeric(pData, pValue); }
    int32_t TextIsTime(int32_t pData) const { return m_Model.TextIsTime(pData); }
    void SetTextIsTime(int32_t pData, int32_t pValue) { m_Model.SetTextIsTime(pData, pValue); }
    int32_t UseTextCombo(int32_t pData) const { return m_Model.UseTextCombo(pData); }
    void SetUseTextCombo(int32_t pData, int32_t pValue) { m_Model.SetUseTextCombo(pData, pValue); }
    int32_t FrontObj(int32_t pData) const { return m_Model.FrontObj(pData); }
    void SetFrontObj(int32_t pData, int32_t pValue) { m_Model.SetFrontObj(pData, pValue); }
    int32_t TabOrder(int32_t pData) const { return m_Model.TabOrder(pData); }
    void SetTabOrder(int32_t pTab, int32_t pValue) { m_Model.SetTabOrder(pTab, pValue); }
    int32_t TabAtPosition(int32_t pPos) const { return m_Model.TabAtPosition(pPos); }
    const LVTab& Tab(int32_t pData) const { return m_Model.Tab(pData); }
    int32_t TotalTabWidth() const { return m_Model.TotalTabWidth(); }
    int32_t ItemCount() const { return m_Model.ItemCount(); }
    // Changes of the row count raise RowsChanged.
    void AddItem(int32_t pNum) { m_Model.AddItem(pNum); RowsChangedBy(pNum); }
    void InsertItem(int32_t pIndex, int32_t pNum) { m_Model.InsertItem(pIndex, pNum); RowsChangedBy(pNum); }
    void DeleteItem(int32_t pIndex) { m_Model.DeleteItem(pIndex); RowsChangedBy(-1); }
    void DeleteItemEx(int32_t pIndex1, int32_t pIndex2) { m_Model.DeleteItemEx(pIndex1, pIndex2); RowsChangedBy(-1); }
    void DeleteAll() { m_Model.DeleteAll(); RowsChangedBy(-1); }
    void DeleteSelected() { m_Model.DeleteSelected(); RowsChangedBy(-1); }
    LVVariant Value(int32_t pIndex, int32_t pData) const { return m_Model.Value(pIndex, pData); }
    void SetValue(int32_t pIndex, int32_t pData, const LVVariant& pValue) { m_Model.SetValue(pIndex, pData, pValue); }
    LVVariant AuxID(int32_t pIndex, int32_t pAux) const { return m_Model.AuxID(pIndex, pAux); }
    void SetAuxID(int32_t pIndex, int32_t pAux, const LVVariant& pValue) { m_Model.SetAuxID(pIndex, pAux, pValue); }
    int32_t IconType(int32_t pIndex) const { return m_Model.IconType(pIndex); }
    void SetIconType(int32_t pIndex, int32_t pValue) { m_Model.SetIconType(pIndex, pValue); }
    uint32_t DispColor(int32_t pIndex) const { return m_Model.DispColor(pIndex); }
    void SetDispColor(int32_t pIndex, uint32_t pValue) { m_Model.SetDispColor(pIndex, pValue); }
    uint32_t HLine(int32_t pIndex) const { return m_Model.HLine(pIndex); }
    void SetHLine(int32_t pIndex, uint32_t pValue) { m_Model.SetHLine(pIndex, pValue); }
    QString ItemTip(int32_t pIndex) const { return m_Model.ItemTip(pIndex); }
    // A changed tip is what happened to the row: the screen reader is told.
    void SetItemTip(int32_t pIndex, const QString& pText);
    void ExchangeItem(int32_t pPlus) { m_Model.ExchangeItem(pPlus); }
    void MoveCursor(int32_t pIsDown) { m_Model.MoveCursor(pIsDown); }
    void ReOrder(int32_t pOrderItem, int32_t pForce) { m_Model.ReOrder(pOrderItem, pForce); }
    void RndItem() { m_Model.RndItem(); }
    int32_t YsItem(double pY) const { return m_Model.YsItem(pY); }
    int32_t SelectedItem() const { return m_Model.SelectedItem(); }
    void SetSelectedItem(int32_t pValue) { m_Model.SetSelectedItem(pValue); }
    // Moves the cursor (SelectedItem) without selecting anything; while the list has the
    // focus, the focus mark follows it.
    void SetCursorItem(int32_t pValue);
    int32_t SelectedData() const { return m_Model.SelectedData(); }
    bool IsSelected(int32_t pIndex) const { return m_Model.IsSelected(pIndex); }
    void SetIsSelected(int32_t pIndex, bool pValue) { m_Model.SetIsSelected(pIndex, pValue); }
    int32_t NumSelectedItems() const { return m_Model.NumSelectedItems(); }
    bool MultiSelected() const { return m_Model.MultiSelected(); }
    void SelectAll() { m_Model.SelectAll(); }
    void UnSelectAll() { m_Model.UnSelectAll(); }
    int32_t OneHeight() const { return m_Model.OneHeight(); }
    void SetOneHeight(int32_t pValue) { m_Model.SetOneHeightValue(pValue); }
    int32_t EditorHeight() const { return m_Model.EditorHeight(); }
    int32_t TopItem() const { return m_Model.TopItem(); }
    int32_t HOffset() const { return m_Model.HOffset(); }
    int32_t LastSortColumn() const { return m_Model.LastSortColumn(); }
    int32_t LastSortReversed() const { return m_Model.LastSortReversed(); }
    uint32_t TextColor() const { return m_Model.TextColor(); }
    // clang-format on

    // ---- view
    void UserControl_Resize();
    void SetVbarParm();
    void ReDraw();
    // Draws item pIndex again, and only it, when it is on screen; the rest of the rows stay
    // as drawn (for a change to one row while the others are unchanged: cheaper than ReDraw).
    void ReDrawItem(int32_t pIndex);
    // Scrolls so that item pIndex is on screen (as the second row when it lies below the
    // view, the top row when above), drawing nothing when it already is. True when the list
    // scrolled (and was drawn again).
    bool ScrollToItem(int32_t pIndex);
    // With pMs > 0, a drawing after ScrollToItem comes at most every pMs milliseconds: one
    // asked for sooner waits (on a timer) and the rows and icons changed meanwhile are drawn
    // with it. 0 (the default) draws at once; setting it draws what waits.
    void SetScrollDrawInterval(int32_t pMs);
    // Whether a drawing after a scroll is waiting for its interval.
    bool ScrollDrawWaiting() const { return m_LateDraw.isActive(); }
    // Draws only the icon of item pIndex again (after SetIconType), when nothing but the
    // row's background lies under it; otherwise the whole row, as ReDrawItem.
    void ReDrawItemIcon(int32_t pIndex);
    void ReDrawTab(int32_t pPushedData);
    void Refresh();
    void VBarMove(int32_t pValue);
    void VBarScroll(int32_t pValue);
    void ShowSelected(int32_t pIfHidden);
    void ShowItem(int32_t pTopItem, int32_t pIfHidden);
    void SetTabWidthAuto();
    bool TextComboVisible() const;
    int32_t VisibleRows() const { return m_VisibleRows; }
    // Header height in twips, and the top of its captions in pixels.
    int32_t HeaderHeight() const { return m_TabHeight; }
    static int CaptionTop(bool pPushed) { return (pPushed ? 1 : 0) + 3; }
    // The item drawn at Y (twips of the row area), -1 for none.
    int32_t ItemAtY(float Y) const;
    // On: the last shown column widens so that the columns reach the right edge of a list
    // that grew wider than them (never narrower than its width when this was set).
    void SetFillWidth(bool pOn);
    // The text shown in the middle of the row area while the list holds no rows.
    QString EmptyText() const { return m_EmptyText; }
    void SetEmptyText(const QString& pText);
    // The row Shift extends a selection from (the last row chosen without Shift).
    int32_t AnchorItem() const { return m_Anchor; }

    // ---- interaction, in the coordinates (twips) of the part receiving them
    void PictureList_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void PictureList_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    void PictureList_MouseUp(int16_t Button, int16_t Shift, float X, float Y);
    void PictureList_DblClick();
    // A double click at Y of the row area: only one on a row counts.
    void PictureList_DblClickAt(float Y);
    void PictureList_OLEDragOver(float X, float Y);
    // Drag events of the row area: accepted as a copy or refused.
    void PictureList_DragMove(QDragMoveEvent* pEvent);
    void PictureList_Drop(QDropEvent* pEvent);
    void PictureTab_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void PictureTab_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    void PictureTab_MouseUp(int16_t Button, int16_t Shift, float X, float Y);
    void MenuRCTab_Click(int32_t pIndex);
    void TextLV_Change(int32_t pInstance);
    void ComboLV_Click(int32_t pInstance, int32_t pPosition);

    // ---- parts, for the host and for tests
    UC_ListViewBar* VBar() const { return m_Vbar; }
    UC_ListViewBar* HBar() const { return m_Hbar; }
    QWidget* PictureList() const;
    QWidget* PictureTab() const;
    const Surface& ListSurface() const { return m_ListSurface; }
    const Surface& TabSurface() const { return m_TabSurface; }
    const Surface& Icons() const { return m_Icons; }
    QLineEdit* TextLV(int32_t pInstance) const;
    QComboBox* ComboLV(int32_t pInstance) const;
    QMenu* MenuRCTabP() const { return m_Menu; }
    bool SizingPointer() const { return m_SizingPointer; }
    // Time of day in seconds, used by the drag-over scrolling (replaceable for tests).
    void SetClock(std::function<double()> pClock) { m_Clock = std::move(pClock); }
    // Runs an item drag and returns the effect (replaceable for tests).
    void SetDragRunner(std::function<int32_t(QMimeData*, int32_t)> pRunner) {
        m_DragRunner = std::move(pRunner);
    }
    // The files of a drop reach OLEDragDrop through here as well; the effect the host left
    // (0: the drop added nothing and is refused).
    int32_t DropData(const QMimeData* pMime, int32_t pEffect, int16_t Button, int16_t Shift,
                     float X, float Y);
    // Whether a drag may drop on the rows: local files, copied. A drop never moves the files
    // (the source must not delete them), so a drag that offers no copy is refused.
    static bool TakesDrag(const QMimeData* pMime, Qt::DropActions pPossible);

  signals:
    void DblClicked();
    void TabMoved();
    void TabReOrderd();
    void RightClicked(float X, float Y);
    void MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void Clicked(float X, float Y);
    void OLEStartDrag(UC_ListViewData& Data, int32_t& AllowedEffects);
    void OLECompleteDrag(int32_t Effect);
    void OLEDragDrop(UC_ListViewData& Data, int32_t& Effect, int16_t Button, int16_t Shift, float X,
                     float Y);
    void ComboChaged(int32_t pData, int32_t pValue);
    void TextComboKeyAction(int32_t pIsCombo, int32_t pTab, int32_t pAction, int32_t KeyValue,
                            int16_t Shift);
    void OLEDragOver();
    // The Delete key was pressed while the list had the focus; the host removes the rows.
    void DeletePressed();
    // Rows were added or removed.
    void RowsChanged();

  protected:
    void resizeEvent(QResizeEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

  private:
    friend class UC_ListViewPane;

    int32_t FrameWidth() const;
    int32_t FrameHeight() const;
    int32_t ListTop() const { return m_Options.TabDisabled == 1 ? 0 : m_TabHeight; }
    // The header grows with its font so that the captions' descenders show.
    void FitHeaderToFont();
    // The wheel over a scroll bar scrolls the list as over the rows.
    bool BarWheel(QObject* pWatched, QWheelEvent* pEvent);
    void CreateBars();
    void PaintTabGrad();
    void PaintIcons();
    void ApplyFonts();
    QLineEdit* NewTextEditor();
    QComboBox* NewComboEditor();
    void HideAllEditors();
    void PlaceEditorsOnRow(const LVTab& pTab, int32_t pRow, const QString& pText);
    // Rows 0..rows-1 of the row area fit; one more is drawn cut off.
    int32_t DrawnRows() const;
    // The row drawing goes to m_DrawOn, pDy pixels up from the row area's coordinates.
    void DrawStripe(int32_t pRow);
    void DrawRow(int32_t pRow, int32_t pItem, bool pWithCells = true);
    void DrawIcon(int32_t pRow, int32_t pIcon);
    void DrawCells(int32_t pRow, int32_t pItem, bool pCursorRow);
    void DrawRowMarks(int32_t pRow, int32_t pItem);
    void DrawColumnSeparators();
    void WriteVBar(int32_t pValue);
    void VBarSync();
    void HBarSync();
    void Yield() const;
    void StartItemDrag();
    void SetSizingPointer(bool pOn);
    // Keyboard: the row a move key leads to (-2: not a move key), the cursor moved there with
    // the selection the modifiers ask for, and the menu key.
    int32_t KeyTarget(int pKey) const;
    void MoveCursorByKey(int32_t pRow, Qt::KeyboardModifiers pMods);
    void SelectCursorByKey(bool pToggle);
    void OpenMenuAtCursor();
    // Scrolls the least that shows item pIndex whole.
    void KeepItemInView(int32_t pIndex);
    void DrawEmptyView();
    void FillWidth();
    void RowsChangedBy(int32_t pDelta);
    // Whether the focus mark is drawn on item pIndex.
    bool FocusMarkOn(int32_t pIndex) const;
    void EditorKey(QObject* pEditor, int32_t pAction, int32_t pKeyValue, int16_t pShift);
    void PopupTabMenu(int32_t pTab);
    QPoint ToPixels(float X, float Y) const;

    // parts
    QWidget* m_PictureAll = nullptr;
    UC_ListViewPane* m_PictureTab = nullptr;
    UC_ListViewPane* m_PictureList = nullptr;
    UC_ListViewBar* m_Vbar = nullptr;
    UC_ListViewBar* m_Hbar = nullptr;
    std::vector<QLineEdit*> m_TextLv;
    std::vector<QComboBox*> m_ComboLv;
    QMenu* m_Menu = nullptr;
    Surface m_ListSurface;
    Surface m_RowBand;                  // scratch of ReDrawItem
    Surface* m_DrawOn = &m_ListSurface; // where the row drawing goes
    int32_t m_DrawDy = 0;               // pixels the row drawing is moved up
    Surface m_TabSurface;
    Surface m_TabGrad;
    Surface m_Icons;
    QFont m_ListFont;
    QFont m_TabFont;
    QTimer m_DragOverRepeat;
    QTimer m_LateDraw;              // the drawing of a scroll that came within the interval
    QElapsedTimer m_LastScrollDraw; // since the last drawing of a scroll
    int32_t m_ScrollDrawMs = 0;
    bool m_HoldDraw = false; // the bar's sync moves the rows without drawing them

    UC_ListViewModel m_Model;
    UC_ListViewOptions m_Options;

    // control-wide settings
    bool m_Initialised = false;
    bool m_StyleSet = false;
    bool m_UseUcBar = false;
    Color m_BackColor = 0x80000005;
    int32_t m_IconArea = 22 * 15;
    int32_t m_TabHeight = TabHeight;
    int m_HWheelRest = 0; // wheel movement over the horizontal bar short of a step
    int32_t m_TextBoxHeight = 0;
    int32_t m_VisibleRows = 0;
    int32_t m_DrawnTop = -1; // top item of the last drawing
    int m_DrawDepth = 0;
    QString m_EmptyText;
    int32_t m_FillBase = -1; // the last column's own width while it fills; -1: off

    // interaction state
    bool m_Pressed = false;
    int32_t m_Anchor = -1;
    float m_DragStartX = -1, m_DragStartY = -1;
    int32_t m_ResizedTab = -1;
    int32_t m_MenuTab = -1;
    double m_OverTime = 0;
    float m_OverX = 0, m_OverY = 0;
    bool m_SizingPointer = false;
    std::function<double()> m_Clock;
    std::function<int32_t(QMimeData*, int32_t)> m_DragRunner;
};
