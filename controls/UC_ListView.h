#pragma once
// The self-drawn multi-column list: a header, a row area drawn from the item
// store, two scroll bars, in-place editors, item dragging and file drops.
// Lengths are twips; the store and its rules live in UC_ListViewModel.

#include "controls/DrawHelpers.h"
#include "controls/UC_ListViewModel.h"

#include <QFont>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class QComboBox;
class QLineEdit;
class QMenu;
class QMimeData;
class UC_ListViewBar;
class UC_ListViewPane;

// The drag-and-drop data object handed to the host with the drag events.
class UC_ListViewData {
  public:
    UC_ListViewData(const QMimeData* pRead, QMimeData* pWrite) : read_(pRead), write_(pWrite) {}
    // What was dropped (null for an item drag being started).
    const QMimeData* Mime() const { return read_; }
    // What an item drag carries; the host fills it on OLEStartDrag (null for drops).
    QMimeData* DragMime() const { return write_; }
    // The dropped local files, in drop order.
    QStringList FileList() const;
    int32_t FileCount() const { return int32_t(FileList().size()); }
    // File number pIndex, counted from 1; empty when out of range.
    QString Files(int32_t pIndex) const;

  private:
    const QMimeData* read_;
    QMimeData* write_;
};

class UC_ListView : public QWidget, public UC_ListViewModel {
    Q_OBJECT

  public:
    static constexpr int32_t TabHeight = 270; // header height
    static constexpr int32_t BarThickness = 270;
    static constexpr Color StripeColor = 0xFFFFCC; // red 204, green 255, blue 255
    static constexpr Color BlankColor = 0xE0E0E0;

    explicit UC_ListView(QWidget* pParent = nullptr);
    ~UC_ListView() override;

    // ---- set-up
    void SetStyle(float pSize, bool pBold, const QString& pName, Color pForeColor,
                  Color pBackColor);
    void SetOneHeight();
    void SetOneHeight(int32_t pValue) { SetOneHeightValue(pValue); }
    void Init();
    void InitTab();
    void AddComboItem(int32_t pData, const QString& pValue);
    void ClearComboItem(int32_t pData);
    int32_t ComboIndex(int32_t pIndex, int32_t pData) const;

    void SetUseUCBar(bool pValue) {
        if (!initialised_) useUCBar_ = pValue;
    }
    bool UseUCBar() const { return useUCBar_; }
    void SetHbarDisabled(int32_t v) { hbarDisabled_ = v; }
    void SetUseMadara(int32_t v) { useMadara_ = v; }
    void SetNoMultiSelect(int32_t v) { noMultiSelect_ = v; }
    void SetNoOleScroll(int32_t v) { noOleScroll_ = v; }
    void SetBarNoDoEvents(int32_t v) { barNoDoEvents_ = v; }
    void SetNoAlign4Tab(int32_t v) { noAlign4Tab_ = v; }
    int32_t SortDisabled() const { return sortDisabled_; }
    void SetSortDisabled(int32_t v) { sortDisabled_ = v; }
    void SetIconDisabled(int32_t v) { iconDisabled_ = v; }
    void SetTabDisabled(int32_t v) { tabDisabled_ = v; }
    int32_t ClickDisabled() const { return clickDisabled_; }
    void SetClickDisabled(int32_t v) { clickDisabled_ = v; }
    int32_t UseTabOrder() const { return useTabOrder_; }
    void SetUseTabOrder(int32_t v) { useTabOrder_ = v; }
    int32_t HideTextCombo() const { return hideTextCombo_; }
    void SetHideTextCombo(int32_t v) { hideTextCombo_ = v; }
    void SetBorderIfBlank(int32_t v) { borderIfBlank_ = v; }
    void SetSelectedColor(Color c) { selectedColor_ = c; }
    void SetSelectedColorMode(int32_t m) { selectedColorMode_ = m; }
    void SetNumWheelScroll(int32_t n) { numWheelScroll_ = n; }
    int32_t IconAreaWidth() const { return iconArea_; }
    // The column width (twips) a cell needs to show the text whole in the list's font.
    int32_t CellWidthFor(const QString& pText) const;

    // ---- view
    void UserControl_Resize();
    void SetVbarParm();
    void ReDraw();
    void ReDrawTab(int32_t pPushedData);
    void Refresh();
    void VBarMove(int32_t pValue);
    void VBarScroll(int32_t pValue);
    void ShowSelected(int32_t pIfHidden);
    void ShowItem(int32_t pTopItem, int32_t pIfHidden);
    void SetTabWidthAuto();
    bool TextComboVisible() const;
    int32_t VisibleRows() const { return visibleRows_; }

    // ---- interaction, in the coordinates (twips) of the part receiving them
    void PictureList_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void PictureList_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    void PictureList_MouseUp(int16_t Button, int16_t Shift, float X, float Y);
    void PictureList_DblClick();
    void PictureList_OLEDragOver(float X, float Y);
    void PictureTab_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void PictureTab_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    void PictureTab_MouseUp(int16_t Button, int16_t Shift, float X, float Y);
    void MenuRCTab_Click(int32_t pIndex);
    void TextLV_Change(int32_t pInstance);
    void ComboLV_Click(int32_t pInstance, int32_t pPosition);

    // ---- parts, for the host and for tests
    UC_ListViewBar* VBar() const { return vbar_; }
    UC_ListViewBar* HBar() const { return hbar_; }
    QWidget* PictureList() const;
    QWidget* PictureTab() const;
    const Surface& ListSurface() const { return listSurface_; }
    const Surface& TabSurface() const { return tabSurface_; }
    const Surface& Icons() const { return icons_; }
    QLineEdit* TextLV(int32_t pInstance) const;
    QComboBox* ComboLV(int32_t pInstance) const;
    QMenu* MenuRCTabP() const { return menu_; }
    bool SizingPointer() const { return sizingPointer_; }
    // Time of day in seconds, used by the drag-over scrolling (replaceable for tests).
    void SetClock(std::function<double()> pClock) { clock_ = std::move(pClock); }
    // Runs an item drag and returns the effect (replaceable for tests).
    void SetDragRunner(std::function<int32_t(QMimeData*, int32_t)> pRunner) {
        dragRunner_ = std::move(pRunner);
    }
    // The files of a drop reach OLEDragDrop through here as well.
    void DropData(const QMimeData* pMime, int32_t pEffect, int16_t Button, int16_t Shift, float X,
                  float Y);

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

  protected:
    int32_t Px() const override { return ::Px(); }
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

  private:
    friend class UC_ListViewPane;

    int32_t FrameWidth() const;
    int32_t FrameHeight() const;
    int32_t ListTop() const { return tabDisabled_ == 1 ? 0 : TabHeight; }
    void CreateBars();
    void PaintTabGrad();
    void PaintIcons();
    void ApplyFonts();
    QLineEdit* NewTextEditor();
    QComboBox* NewComboEditor();
    void HideAllEditors();
    void PlaceEditorsOnRow(const LVTab& pTab, int32_t pRow, const QString& pText);
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
    void EditorKey(QObject* pEditor, int32_t pAction, int32_t pKeyValue, int16_t pShift);
    void PopupTabMenu(int32_t pTab);
    QPoint ToPixels(float X, float Y) const;

    // parts
    QWidget* pictureAll_ = nullptr;
    UC_ListViewPane* pictureTab_ = nullptr;
    UC_ListViewPane* pictureList_ = nullptr;
    UC_ListViewBar* vbar_ = nullptr;
    UC_ListViewBar* hbar_ = nullptr;
    std::vector<QLineEdit*> textLV_;
    std::vector<QComboBox*> comboLV_;
    QMenu* menu_ = nullptr;
    Surface listSurface_;
    Surface tabSurface_;
    Surface tabGrad_;
    Surface icons_;
    QFont listFont_;
    QFont tabFont_;
    QTimer dragOverRepeat_;

    // control-wide settings
    bool initialised_ = false;
    bool styleSet_ = false;
    bool useUCBar_ = false;
    int32_t hbarDisabled_ = 0, useMadara_ = 0, noMultiSelect_ = 0, borderIfBlank_ = 0;
    int32_t noOleScroll_ = 0, barNoDoEvents_ = 0, noAlign4Tab_ = 0, useTabOrder_ = 0;
    int32_t sortDisabled_ = 0, iconDisabled_ = 0, clickDisabled_ = 0, tabDisabled_ = 0;
    int32_t hideTextCombo_ = 0;
    int32_t numWheelScroll_ = 3;
    Color selectedColor_ = 0xC0A0A0;
    int32_t selectedColorMode_ = 9;
    Color backColor_ = 0x80000005;
    int32_t iconArea_ = 22 * 15;
    int32_t textBoxHeight_ = 0;
    int32_t visibleRows_ = 0;
    int32_t drawnTop_ = -1; // top item of the last drawing
    int drawDepth_ = 0;

    // interaction state
    bool pressed_ = false;
    float dragStartX_ = -1, dragStartY_ = -1;
    int32_t resizedTab_ = -1;
    int32_t menuTab_ = -1;
    double overTime_ = 0;
    float overX_ = 0, overY_ = 0;
    bool sizingPointer_ = false;
    std::function<double()> clock_;
    std::function<int32_t(QMimeData*, int32_t)> dragRunner_;
};
