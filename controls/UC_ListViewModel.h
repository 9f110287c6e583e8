#pragma once
// Item store, column table and selection of the list control, free of any widget,
// so that the rules of adding, deleting, sorting and selecting stand on their own.

#include <QString>

#include <cstdint>
#include <functional>
#include <variant>
#include <vector>

// One cell or hidden value: empty, a number or a text.
class LVVariant {
  public:
    LVVariant() = default;
    LVVariant(double pValue) : m_Value(pValue) {}
    LVVariant(int pValue) : m_Value(double(pValue)) {}
    LVVariant(const QString& pText) : m_Value(pText) {}
    LVVariant(const char* pText) : m_Value(QString::fromUtf8(pText)) {}

    bool IsEmpty() const { return std::holds_alternative<std::monostate>(m_Value); }
    bool IsNumber() const { return std::holds_alternative<double>(m_Value); }
    bool IsText() const { return std::holds_alternative<QString>(m_Value); }

    // The text form drawn in a cell ("" when empty).
    QString Text() const;
    // The value as a number; false in *pOk for a text that is not one. Empty is 0.
    double Number(bool* pOk = nullptr) const;

    bool operator==(const LVVariant& pO) const { return m_Value == pO.m_Value; }

  private:
    std::variant<std::monostate, double, QString> m_Value;
};

struct LVItem {
    int32_t State = 0; // 0 not selected, 1 selected, 2 cursor mark during a sort
    int32_t IconType = 0;
    uint32_t DispColor = 0;
    uint32_t HLine = 0;
    QString Tip; // shown when the pointer rests on the row; empty = none
    std::vector<LVVariant> Data;
    std::vector<LVVariant> Aux;
};

struct LVTab {
    QString TabName;
    int32_t TabOrder = 0;
    int32_t TabHidden = 0;
    int32_t TabWidth = 1200;
    int32_t Left = 0;
    int32_t Right = 0;
    int32_t TabAlign = 0;
    int32_t UseTextCombo = 0;
    int32_t FrontObj = 0;
    int32_t ComboNum = -1; // list-box editor instance, -1 = none
    int32_t TextNum = -1;  // text-box editor instance, -1 = none
    int32_t TextIsTime = 0;
    int32_t DataNumeric = 0;
};

class UC_ListViewModel {
  public:
    static constexpr int32_t MinTabWidth = 450;
    static constexpr int32_t SpareRecords = 200;
    static constexpr uint32_t SysWindowText = 0x80000008u;

    UC_ListViewModel();

    // ---- set-up
    int32_t NumData() const { return m_NumData; }
    void SetNumData(int32_t pValue) { m_NumData = pValue < 1 ? 1 : pValue; }
    int32_t NumAux() const { return m_NumAux; }
    void SetNumAux(int32_t pValue) { m_NumAux = pValue < 1 ? 1 : pValue; }
    void ResetNumTab();

    QString TabName(int32_t pData) const;
    void SetTabName(int32_t pData, const QString& pValue);
    int32_t TabWidth(int32_t pData) const;
    void SetTabWidth(int32_t pData, int32_t pValue);
    int32_t TabAlign(int32_t pData) const;
    void SetTabAlign(int32_t pData, int32_t pValue);
    int32_t TabHidden(int32_t pData) const;
    void SetTabHidden(int32_t pData, int32_t pValue);
    int32_t DataNumeric(int32_t pData) const;
    void SetDataNumeric(int32_t pData, int32_t pValue);
    int32_t TextIsTime(int32_t pData) const;
    void SetTextIsTime(int32_t pData, int32_t pValue);
    int32_t UseTextCombo(int32_t pData) const;
    void SetUseTextCombo(int32_t pData, int32_t pValue);
    int32_t FrontObj(int32_t pData) const;
    void SetFrontObj(int32_t pData, int32_t pValue);
    int32_t TabOrder(int32_t pData) const;
    void SetTabOrder(int32_t pTab, int32_t pValue);
    // Column index shown at display position pPos (-1 when out of range).
    int32_t TabAtPosition(int32_t pPos) const;
    const LVTab& Tab(int32_t pData) const { return m_Tabs[size_t(pData)]; }
    // Column indices in display order.
    const std::vector<int32_t>& TabPositions() const { return m_TabPos; }
    int32_t TotalTabWidth() const;
    // The editor instances of column pData (-1 = none), assigned when the editors are made.
    void SetTabEditors(int32_t pData, int32_t pTextNum, int32_t pComboNum);

    // ---- items
    int32_t ItemCount() const { return m_ItemCount; }
    void AddItem(int32_t pNum);
    void InsertItem(int32_t pIndex, int32_t pNum);
    void DeleteItem(int32_t pIndex);
    void DeleteItemEx(int32_t pIndex1, int32_t pIndex2);
    void DeleteAll();
    void DeleteSelected();

    LVVariant Value(int32_t pIndex, int32_t pData) const;
    void SetValue(int32_t pIndex, int32_t pData, const LVVariant& pValue);
    LVVariant AuxID(int32_t pIndex, int32_t pAux) const;
    void SetAuxID(int32_t pIndex, int32_t pAux, const LVVariant& pValue);
    int32_t IconType(int32_t pIndex) const;
    void SetIconType(int32_t pIndex, int32_t pValue);
    uint32_t DispColor(int32_t pIndex) const;
    void SetDispColor(int32_t pIndex, uint32_t pValue);
    uint32_t HLine(int32_t pIndex) const;
    void SetHLine(int32_t pIndex, uint32_t pValue);
    // The row's tooltip text (what happened to it, say); moves with the row when sorting.
    QString ItemTip(int32_t pIndex) const;
    void SetItemTip(int32_t pIndex, const QString& pText);

    void ExchangeItem(int32_t pPlus);
    void MoveCursor(int32_t pIsDown);
    void ReOrder(int32_t pOrderItem, int32_t pForce);
    void RndItem();
    int32_t YsItem(double pY) const;

    // ---- selection
    int32_t SelectedItem() const { return m_Cursor; }
    void SetSelectedItem(int32_t pValue);
    int32_t SelectedData() const { return m_SelectedData < m_NumData ? m_SelectedData : 0; }
    bool IsSelected(int32_t pIndex) const;
    void SetIsSelected(int32_t pIndex, bool pValue);
    int32_t NumSelectedItems() const;
    bool MultiSelected() const;
    void SelectAll();
    void UnSelectAll();

    // ---- control-wide values
    int32_t OneHeight() const { return m_OneHeight; }
    void SetOneHeightValue(int32_t pValue);
    int32_t EditorHeight() const { return m_EditorHeight; }
    int32_t TopItem() const { return m_TopItem; }
    int32_t HOffset() const { return m_HOffset; }
    int32_t LastSortColumn() const { return m_LastSort; }
    int32_t LastSortReversed() const { return m_LastSortReversed; }
    uint32_t TextColor() const { return m_TextColor; }
    void SetTextColor(uint32_t pValue) { m_TextColor = pValue; }
    void SetEditorHeight(int32_t pValue) { m_EditorHeight = pValue; }
    void SetTopItem(int32_t pValue) { m_TopItem = pValue; }
    void SetHOffset(int32_t pValue) { m_HOffset = pValue; }

    // ---- what the widget drives
    // Builds the column table and empties the store (the model part of Init).
    void InitModel();
    // Recomputes the columns' left and right edges from widths, order and hidden flags.
    void LayoutTabs();
    bool ValidTab(int32_t pData) const { return pData >= 0 && pData < int32_t(m_Tabs.size()); }
    // Row, column and border under a point (twips in the row area or header).
    int32_t RowAt(double pY) const;
    int32_t TabAt(double pX) const;
    int32_t BorderAt(double pX) const;
    // Moves the cursor without touching any selection state.
    void SetCursor(int32_t pValue) { m_Cursor = pValue; }
    void SetSelectedData(int32_t pValue) { m_SelectedData = pValue; }
    // A left press on row pRow: a range with Shift (1), a pending toggle with Ctrl (2),
    // else one row, except that the press after a range or a Ctrl press keeps the
    // selection. The row becomes the cursor.
    void PressRow(int32_t pRow, int16_t pShift, bool pMultiSelect);
    // The twips of one pixel: 15 until the owner supplies the screen's value.
    int32_t Px() const { return m_PxSource ? m_PxSource() : 15; }
    void SetPxSource(std::function<int32_t()> pSource) { m_PxSource = std::move(pSource); }

    // Text typed into a time column: six digits hhmmss become hh:mm:ss.
    static QString NormaliseTimeText(const QString& pText);

  private:
    // Index of the item an address names, or -1 (see the -1/-2 addressing rules).
    int32_t ResolveIndex(int32_t pIndex, bool pAllowLast) const;
    LVItem FreshItem(uint32_t pColor) const;
    void GrowStore(int32_t pNeeded);
    void CutStore();
    void RebuildTabPositions();
    void ShellSort(int32_t pData);

    std::vector<LVTab> m_Tabs;
    std::vector<int32_t> m_TabPos; // display position -> column
    int32_t m_Cursor = -1;
    int32_t m_SelectedData = 0;
    int32_t m_TopItem = 0;
    int32_t m_OneHeight = 0;
    int32_t m_EditorHeight = 0;
    int32_t m_HOffset = 0;
    uint32_t m_TextColor = SysWindowText;
    int32_t m_RangeFlag = 0;
    int32_t m_ToggleFlag = 0;
    std::function<int32_t()> m_PxSource;
    std::vector<LVItem> m_Items;
    int32_t m_ItemCount = 0;
    int32_t m_NumData = 1;
    int32_t m_NumAux = 1;
    int32_t m_LastSort = -1;
    int32_t m_LastSortReversed = 0;
};
