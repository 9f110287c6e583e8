#include "controls/UC_ListViewModel.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>

QString LVVariant::Text() const {
    if (const auto* d = std::get_if<double>(&m_Value)) return QString::number(*d, 'g', 15);
    if (const auto* s = std::get_if<QString>(&m_Value)) return *s;
    return QString();
}

double LVVariant::Number(bool* pOk) const {
    bool ok = true;
    double result = 0.0;
    if (const auto* d = std::get_if<double>(&m_Value)) {
        result = *d;
    } else if (const auto* s = std::get_if<QString>(&m_Value)) {
        result = s->trimmed().toDouble(&ok);
        if (!ok) result = 0.0;
    }
    if (pOk) *pOk = ok;
    return result;
}

UC_ListViewModel::UC_ListViewModel() {
    InitModel();
}

// ---------------------------------------------------------------- store

LVItem UC_ListViewModel::FreshItem(uint32_t pColor) const {
    LVItem item;
    item.DispColor = pColor;
    item.Data.resize(size_t(m_NumData));
    item.Aux.resize(size_t(m_NumAux));
    return item;
}

void UC_ListViewModel::GrowStore(int32_t pNeeded) {
    if (int32_t(m_Items.size()) >= pNeeded) return;
    m_Items.resize(size_t(pNeeded) + SpareRecords, FreshItem(m_TextColor));
}

void UC_ListViewModel::CutStore() {
    if (int32_t(m_Items.size()) > m_ItemCount) m_Items.resize(size_t(m_ItemCount));
}

void UC_ListViewModel::InitModel() {
    m_Tabs.assign(size_t(m_NumData), LVTab{});
    for (int32_t i = 0; i < m_NumData; ++i)
        m_Tabs[size_t(i)].TabOrder = i;
    RebuildTabPositions();
    LayoutTabs();
    m_Items.clear();
    m_ItemCount = 0;
    GrowStore(1);
    m_Cursor = -1;
    m_TopItem = 0;
    m_LastSort = -1;
    m_LastSortReversed = 0;
}

void UC_ListViewModel::ResetNumTab() {
    if (m_ItemCount <= 0) return;
    for (auto& item : m_Items) {
        item.Data.resize(size_t(m_NumData));
        item.Aux.resize(size_t(m_NumAux));
    }
}

int32_t UC_ListViewModel::ResolveIndex(int32_t pIndex, bool pAllowLast) const {
    if (pIndex == -1)
        pIndex = m_Cursor;
    else if (pIndex == -2 && pAllowLast)
        pIndex = m_ItemCount - 1;
    return (pIndex >= 0 && pIndex < m_ItemCount) ? pIndex : -1;
}

void UC_ListViewModel::AddItem(int32_t pNum) {
    if (pNum <= 0) return;
    const int32_t first = m_ItemCount;
    m_ItemCount += pNum;
    GrowStore(m_ItemCount);
    // Spare records may predate a change of the text colour.
    for (int32_t i = first; i < m_ItemCount; ++i)
        m_Items[size_t(i)].DispColor = m_TextColor;
}

void UC_ListViewModel::InsertItem(int32_t pIndex, int32_t pNum) {
    if (pNum <= 0) pNum = 1;
    if (pIndex == -1) pIndex = m_Cursor;
    if (pIndex < 0 || pIndex > m_ItemCount) return;
    m_ItemCount += pNum;
    GrowStore(m_ItemCount);
    auto first = m_Items.begin() + pIndex;
    std::move_backward(first, m_Items.begin() + (m_ItemCount - pNum),
                       m_Items.begin() + m_ItemCount);
    std::fill(first, first + pNum, FreshItem(0));
    if (m_Cursor >= pIndex) m_Cursor += pNum;
}

void UC_ListViewModel::DeleteItem(int32_t pIndex) {
    const bool atCursor = pIndex == -1;
    const int32_t i = ResolveIndex(pIndex, true);
    if (i < 0) return;
    m_Items.erase(m_Items.begin() + i);
    --m_ItemCount;
    CutStore();
    if (!atCursor && m_Cursor > i) m_Cursor = std::max(m_Cursor - 1, -1);
}

void UC_ListViewModel::DeleteItemEx(int32_t pIndex1, int32_t pIndex2) {
    if (m_ItemCount <= 0) return;
    pIndex1 = std::clamp(pIndex1, 0, m_ItemCount - 1);
    pIndex2 = std::clamp(pIndex2, 0, m_ItemCount - 1);
    if (pIndex1 > pIndex2) return;
    m_Items.erase(m_Items.begin() + pIndex1, m_Items.begin() + pIndex2 + 1);
    m_ItemCount -= pIndex2 - pIndex1 + 1;
    CutStore();
}

void UC_ListViewModel::DeleteAll() {
    m_Items.clear();
    m_ItemCount = 0;
    m_TopItem = 0;
    m_Cursor = -1;
    m_LastSort = -1;
    m_RangeFlag = 0;
    m_ToggleFlag = 0;
}

void UC_ListViewModel::DeleteSelected() {
    auto keepEnd = std::stable_partition(m_Items.begin(), m_Items.begin() + m_ItemCount,
                                         [](const LVItem& pIt) { return pIt.State == 0; });
    m_ItemCount = int32_t(keepEnd - m_Items.begin());
    CutStore();
    m_Cursor = -1;
}

// ---------------------------------------------------------------- item values

LVVariant UC_ListViewModel::Value(int32_t pIndex, int32_t pData) const {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i < 0 || pData < 0 || pData >= m_NumData) return {};
    const auto& data = m_Items[size_t(i)].Data;
    return size_t(pData) < data.size() ? data[size_t(pData)] : LVVariant{};
}

void UC_ListViewModel::SetValue(int32_t pIndex, int32_t pData, const LVVariant& pValue) {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i < 0 || pData < 0 || pData >= m_NumData) return;
    auto& data = m_Items[size_t(i)].Data;
    if (size_t(pData) >= data.size()) data.resize(size_t(m_NumData));
    data[size_t(pData)] = pValue;
}

LVVariant UC_ListViewModel::AuxID(int32_t pIndex, int32_t pAux) const {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i < 0 || pAux < 0 || pAux >= m_NumAux) return {};
    const auto& aux = m_Items[size_t(i)].Aux;
    return size_t(pAux) < aux.size() ? aux[size_t(pAux)] : LVVariant{};
}

void UC_ListViewModel::SetAuxID(int32_t pIndex, int32_t pAux, const LVVariant& pValue) {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i < 0 || pAux < 0 || pAux >= m_NumAux) return;
    auto& aux = m_Items[size_t(i)].Aux;
    if (size_t(pAux) >= aux.size()) aux.resize(size_t(m_NumAux));
    aux[size_t(pAux)] = pValue;
}

int32_t UC_ListViewModel::IconType(int32_t pIndex) const {
    const int32_t i = ResolveIndex(pIndex, true);
    return i < 0 ? 0 : m_Items[size_t(i)].IconType;
}

void UC_ListViewModel::SetIconType(int32_t pIndex, int32_t pValue) {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i >= 0) m_Items[size_t(i)].IconType = pValue;
}

QString UC_ListViewModel::ItemTip(int32_t pIndex) const {
    const int32_t i = ResolveIndex(pIndex, true);
    return i < 0 ? QString() : m_Items[size_t(i)].Tip;
}

void UC_ListViewModel::SetItemTip(int32_t pIndex, const QString& pText) {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i >= 0) m_Items[size_t(i)].Tip = pText;
}

uint32_t UC_ListViewModel::DispColor(int32_t pIndex) const {
    const int32_t i = ResolveIndex(pIndex, false);
    return i < 0 ? 0 : m_Items[size_t(i)].DispColor;
}

void UC_ListViewModel::SetDispColor(int32_t pIndex, uint32_t pValue) {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i >= 0) m_Items[size_t(i)].DispColor = pValue;
}

uint32_t UC_ListViewModel::HLine(int32_t pIndex) const {
    const int32_t i = ResolveIndex(pIndex, false);
    return i < 0 ? 0 : m_Items[size_t(i)].HLine;
}

void UC_ListViewModel::SetHLine(int32_t pIndex, uint32_t pValue) {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i >= 0) m_Items[size_t(i)].HLine = pValue;
}

// ---------------------------------------------------------------- reordering

void UC_ListViewModel::ExchangeItem(int32_t pPlus) {
    if (m_ItemCount < 2 || m_Cursor < 0 || m_Cursor >= m_ItemCount) return;
    const int32_t target = m_Cursor + pPlus;
    if (target < 0 || target >= m_ItemCount) return;
    for (int32_t i = 0; i < m_ItemCount; ++i)
        m_Items[size_t(i)].State = 0;
    std::swap(m_Items[size_t(m_Cursor)], m_Items[size_t(target)]);
    m_Cursor = target;
    m_Items[size_t(target)].State = 1;
}

void UC_ListViewModel::MoveCursor(int32_t pIsDown) {
    if (m_ItemCount <= 0) return;
    int32_t next = 0;
    if (m_Cursor >= 0) next = std::clamp(m_Cursor + (pIsDown ? 1 : -1), 0, m_ItemCount - 1);
    for (int32_t i = 0; i < m_ItemCount; ++i)
        m_Items[size_t(i)].State = 0;
    m_Items[size_t(next)].State = 1;
    m_Cursor = next;
}

namespace {

// Sort key of one cell: a lower-case text, or a number (cells that are not numbers sort first).
struct SortKey {
    QString Text;
    double Number = 0.0;
    bool IsNumber = true;
};

bool KeyGreater(const SortKey& pA, const SortKey& pB, bool pNumeric) {
    if (!pNumeric) return pA.Text > pB.Text;
    if (pA.IsNumber != pB.IsNumber) return pA.IsNumber;
    return pA.IsNumber && pA.Number > pB.Number;
}

// The rank of every key in ascending order; equal keys share a rank, so comparing
// ranks gives exactly what comparing the keys gives, at the price of integers.
std::vector<int32_t> RankKeys(const std::vector<SortKey>& pKeys, bool pNumeric) {
    std::vector<int32_t> byKey(pKeys.size());
    for (size_t i = 0; i < pKeys.size(); ++i)
        byKey[i] = int32_t(i);
    std::sort(byKey.begin(), byKey.end(), [&](int32_t pA, int32_t pB) {
        return KeyGreater(pKeys[size_t(pB)], pKeys[size_t(pA)], pNumeric);
    });
    std::vector<int32_t> rank(pKeys.size());
    int32_t r = 0;
    for (size_t i = 0; i < byKey.size(); ++i) {
        if (i > 0 && KeyGreater(pKeys[size_t(byKey[i])], pKeys[size_t(byKey[i - 1])], pNumeric))
            ++r;
        rank[size_t(byKey[i])] = r;
    }
    return rank;
}

} // namespace

void UC_ListViewModel::ShellSort(int32_t pData) {
    const int32_t n = m_ItemCount;
    const bool numeric = ValidTab(pData) && m_Tabs[size_t(pData)].DataNumeric != 0;
    std::vector<SortKey> keys(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        const LVVariant cell = Value(i, pData);
        if (numeric) {
            bool ok = false;
            keys[size_t(i)].Number = cell.Number(&ok);
            keys[size_t(i)].IsNumber = ok;
        } else {
            keys[size_t(i)].Text = cell.Text().toLower();
        }
    }
    const std::vector<int32_t> rank = RankKeys(keys, numeric);
    keys.clear();
    // Gapped insertion passes on an index permutation; the records move once at the end.
    std::vector<int32_t> order(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        order[size_t(i)] = i;
    int64_t gap = 1;
    while (gap < n)
        gap = gap * 3 + 1;
    for (gap = std::llround(double(gap) / 3.0); gap > 0; gap = std::llround(double(gap) / 3.0)) {
        for (int64_t i = gap; i < n; ++i) {
            const int32_t moving = order[size_t(i)];
            int64_t j = i;
            while (j >= gap && rank[size_t(order[size_t(j - gap)])] > rank[size_t(moving)]) {
                order[size_t(j)] = order[size_t(j - gap)];
                j -= gap;
            }
            order[size_t(j)] = moving;
        }
    }
    std::vector<LVItem> sorted;
    sorted.reserve(m_Items.size());
    for (int32_t i = 0; i < n; ++i)
        sorted.push_back(std::move(m_Items[size_t(order[size_t(i)])]));
    for (size_t i = size_t(n); i < m_Items.size(); ++i)
        sorted.push_back(std::move(m_Items[i]));
    m_Items = std::move(sorted);
}

void UC_ListViewModel::ReOrder(int32_t pOrderItem, int32_t pForce) {
    if (m_Cursor >= 0 && m_Cursor < m_ItemCount) m_Items[size_t(m_Cursor)].State = 2;
    const bool reverse = pOrderItem == m_LastSort && m_LastSortReversed == 0 && pForce != 1;
    m_LastSort = pOrderItem;
    ShellSort(pOrderItem);
    if (reverse) std::reverse(m_Items.begin(), m_Items.begin() + m_ItemCount);
    m_LastSortReversed = reverse ? 1 : 0;
    for (int32_t i = 0; i < m_ItemCount; ++i) {
        if (m_Items[size_t(i)].State == 2) {
            m_Items[size_t(i)].State = 1;
            m_Cursor = i;
        }
    }
}

void UC_ListViewModel::RndItem() {
    if (m_ItemCount < 3) return;
    m_LastSort = -1;
    m_LastSortReversed = 0;
    const int64_t k = std::llround(double(m_ItemCount) / 100.0 + 7.0);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    for (int32_t i = 0; i < m_ItemCount; ++i) {
        std::mt19937_64 gen(
            uint64_t(std::chrono::high_resolution_clock::now().time_since_epoch().count()) + i);
        const double r = uniform(gen);
        const int64_t j = std::llround(r * double(m_ItemCount - 1) + double(i % k));
        if (j < m_ItemCount) {
            std::swap(m_Items[size_t(i)], m_Items[size_t(j)]);
            if (m_Cursor == i)
                m_Cursor = int32_t(j);
            else if (m_Cursor == j)
                m_Cursor = i;
        }
    }
}

int32_t UC_ListViewModel::YsItem(double pY) const {
    if (m_OneHeight <= 0) return std::clamp(m_TopItem, 0, m_ItemCount);
    const int64_t y = int64_t(std::nearbyint(pY));
    const int64_t row = y / m_OneHeight + m_TopItem;
    return int32_t(std::clamp<int64_t>(row, 0, m_ItemCount));
}

// ---------------------------------------------------------------- selection

void UC_ListViewModel::SetSelectedItem(int32_t pValue) {
    m_Cursor = std::clamp(pValue, -1, m_ItemCount - 1);
    if (m_Cursor >= 0) m_Items[size_t(m_Cursor)].State = 1;
}

bool UC_ListViewModel::IsSelected(int32_t pIndex) const {
    const int32_t i = ResolveIndex(pIndex, false);
    return i >= 0 && m_Items[size_t(i)].State != 0;
}

void UC_ListViewModel::SetIsSelected(int32_t pIndex, bool pValue) {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i >= 0) m_Items[size_t(i)].State = pValue ? 1 : 0;
    if (pIndex == -1 && !pValue) m_Cursor = -1;
}

int32_t UC_ListViewModel::NumSelectedItems() const {
    return int32_t(std::count_if(m_Items.begin(), m_Items.begin() + m_ItemCount,
                                 [](const LVItem& pIt) { return pIt.State == 1; }));
}

bool UC_ListViewModel::MultiSelected() const {
    int32_t n = 0;
    for (int32_t i = 0; i < m_ItemCount && n < 2; ++i)
        n += m_Items[size_t(i)].State == 1;
    return n > 1;
}

void UC_ListViewModel::SelectAll() {
    for (int32_t i = 0; i < m_ItemCount; ++i)
        m_Items[size_t(i)].State = 1;
}

void UC_ListViewModel::UnSelectAll() {
    if (m_ItemCount <= 0) return;
    for (int32_t i = 0; i < m_ItemCount; ++i)
        m_Items[size_t(i)].State = 0;
    m_Cursor = -1;
}

void UC_ListViewModel::PressRow(int32_t pRow, int16_t pShift, bool pMultiSelect) {
    if (pShift == 1 && pMultiSelect) {
        const int32_t from = m_Cursor < 0 ? 0 : std::min(m_Cursor, m_ItemCount - 1);
        const int32_t lo = std::min(from, pRow), hi = std::max(from, pRow);
        for (int32_t i = 0; i < m_ItemCount; ++i)
            SetIsSelected(i, i >= lo && i <= hi);
        m_RangeFlag = 1;
        m_ToggleFlag = 0;
    } else if (pShift == 2 && pMultiSelect) {
        m_RangeFlag = 0;
        m_ToggleFlag = 1;
    } else {
        bool keep = false;
        if (m_RangeFlag == 1) {
            m_RangeFlag = 0;
            keep = IsSelected(pRow);
        }
        if (!keep && m_ToggleFlag == 1) {
            m_ToggleFlag = 0;
            keep = true;
        }
        if (!keep) {
            for (int32_t i = 0; i < m_ItemCount; ++i)
                SetIsSelected(i, i == pRow);
        }
    }
    m_Cursor = pRow;
}

void UC_ListViewModel::SetOneHeightValue(int32_t pValue) {
    m_OneHeight = pValue;
    if (m_EditorHeight == 0) m_EditorHeight = pValue;
}

// ---------------------------------------------------------------- columns

QString UC_ListViewModel::TabName(int32_t pData) const {
    return ValidTab(pData) ? m_Tabs[size_t(pData)].TabName : QString();
}
void UC_ListViewModel::SetTabName(int32_t pData, const QString& pValue) {
    if (ValidTab(pData)) m_Tabs[size_t(pData)].TabName = pValue;
}
int32_t UC_ListViewModel::TabWidth(int32_t pData) const {
    return ValidTab(pData) ? m_Tabs[size_t(pData)].TabWidth : 0;
}
void UC_ListViewModel::SetTabWidth(int32_t pData, int32_t pValue) {
    if (!ValidTab(pData)) return;
    m_Tabs[size_t(pData)].TabWidth = std::max(pValue, MinTabWidth);
    LayoutTabs();
}
int32_t UC_ListViewModel::TabAlign(int32_t pData) const {
    return ValidTab(pData) ? m_Tabs[size_t(pData)].TabAlign : 0;
}
void UC_ListViewModel::SetTabAlign(int32_t pData, int32_t pValue) {
    if (ValidTab(pData)) m_Tabs[size_t(pData)].TabAlign = pValue;
}
int32_t UC_ListViewModel::TabHidden(int32_t pData) const {
    return ValidTab(pData) ? m_Tabs[size_t(pData)].TabHidden : 0;
}
void UC_ListViewModel::SetTabHidden(int32_t pData, int32_t pValue) {
    if (!ValidTab(pData)) return;
    m_Tabs[size_t(pData)].TabHidden = pValue;
    LayoutTabs();
}
int32_t UC_ListViewModel::DataNumeric(int32_t pData) const {
    return ValidTab(pData) ? m_Tabs[size_t(pData)].DataNumeric : 0;
}
void UC_ListViewModel::SetDataNumeric(int32_t pData, int32_t pValue) {
    if (ValidTab(pData)) m_Tabs[size_t(pData)].DataNumeric = pValue;
}
int32_t UC_ListViewModel::TextIsTime(int32_t pData) const {
    return ValidTab(pData) ? m_Tabs[size_t(pData)].TextIsTime : 0;
}
void UC_ListViewModel::SetTextIsTime(int32_t pData, int32_t pValue) {
    if (ValidTab(pData)) m_Tabs[size_t(pData)].TextIsTime = pValue;
}
int32_t UC_ListViewModel::UseTextCombo(int32_t pData) const {
    return ValidTab(pData) ? m_Tabs[size_t(pData)].UseTextCombo : 0;
}
void UC_ListViewModel::SetUseTextCombo(int32_t pData, int32_t pValue) {
    if (!ValidTab(pData)) return;
    m_Tabs[size_t(pData)].UseTextCombo = pValue;
    if (pValue == 1 || pValue == 3)
        m_Tabs[size_t(pData)].FrontObj = 1;
    else if (pValue == 2)
        m_Tabs[size_t(pData)].FrontObj = 2;
}
int32_t UC_ListViewModel::FrontObj(int32_t pData) const {
    return ValidTab(pData) ? m_Tabs[size_t(pData)].FrontObj : 0;
}
void UC_ListViewModel::SetFrontObj(int32_t pData, int32_t pValue) {
    if (ValidTab(pData)) m_Tabs[size_t(pData)].FrontObj = pValue;
}
int32_t UC_ListViewModel::TabOrder(int32_t pData) const {
    return ValidTab(pData) ? m_Tabs[size_t(pData)].TabOrder : -1;
}

void UC_ListViewModel::SetTabOrder(int32_t pTab, int32_t pValue) {
    const int32_t n = int32_t(m_Tabs.size());
    if (pTab < 0 || pTab >= n || pValue < 0 || pValue >= n) return;
    const int32_t old = m_Tabs[size_t(pTab)].TabOrder;
    if (old == pValue) return;
    for (auto& t : m_Tabs) {
        if (old < pValue && t.TabOrder > old && t.TabOrder <= pValue)
            --t.TabOrder;
        else if (old > pValue && t.TabOrder >= pValue && t.TabOrder < old)
            ++t.TabOrder;
    }
    m_Tabs[size_t(pTab)].TabOrder = pValue;
    RebuildTabPositions();
    LayoutTabs();
}

void UC_ListViewModel::SetTabEditors(int32_t pData, int32_t pTextNum, int32_t pComboNum) {
    if (!ValidTab(pData)) return;
    m_Tabs[size_t(pData)].TextNum = pTextNum;
    m_Tabs[size_t(pData)].ComboNum = pComboNum;
}

int32_t UC_ListViewModel::TabAtPosition(int32_t pPos) const {
    return (pPos >= 0 && pPos < int32_t(m_TabPos.size())) ? m_TabPos[size_t(pPos)] : -1;
}

void UC_ListViewModel::RebuildTabPositions() {
    m_TabPos.assign(m_Tabs.size(), 0);
    for (size_t i = 0; i < m_Tabs.size(); ++i) {
        const int32_t pos = m_Tabs[i].TabOrder;
        if (pos >= 0 && pos < int32_t(m_TabPos.size())) m_TabPos[size_t(pos)] = int32_t(i);
    }
}

void UC_ListViewModel::LayoutTabs() {
    int32_t edge = 0;
    for (int32_t col : m_TabPos) {
        LVTab& t = m_Tabs[size_t(col)];
        t.Left = edge;
        t.Right = t.TabHidden == 1 ? edge : edge + t.TabWidth;
        edge = t.Right;
    }
}

int32_t UC_ListViewModel::TotalTabWidth() const {
    return m_TabPos.empty() ? 0 : m_Tabs[size_t(m_TabPos.back())].Right;
}

// ---------------------------------------------------------------- hit testing

int32_t UC_ListViewModel::RowAt(double pY) const {
    if (m_ItemCount <= 0) return 0;
    const int64_t y = int64_t(std::nearbyint(pY - 4.0 * Px()));
    const int64_t row = (m_OneHeight > 0 ? y / m_OneHeight : 0) + m_TopItem;
    return int32_t(std::clamp<int64_t>(row, 0, m_ItemCount - 1));
}

int32_t UC_ListViewModel::TabAt(double pX) const {
    const double x = pX + m_HOffset;
    std::vector<int32_t> shown;
    for (int32_t col : m_TabPos)
        if (m_Tabs[size_t(col)].TabHidden != 1) shown.push_back(col);
    if (shown.empty()) return 0;
    if (x > m_Tabs[size_t(m_TabPos.back())].Right) return shown.back();
    if (x < m_Tabs[size_t(shown.front())].Right) return shown.front();
    for (size_t i = 1; i < shown.size(); ++i) {
        const LVTab& t = m_Tabs[size_t(shown[i])];
        if (t.Left < x && x < t.Right) return shown[i];
    }
    return 0;
}

int32_t UC_ListViewModel::BorderAt(double pX) const {
    const double x = pX + m_HOffset;
    const double near = 5.0 * Px();
    int32_t found = -1;
    for (int32_t col : m_TabPos) {
        const LVTab& t = m_Tabs[size_t(col)];
        if (t.TabHidden != 1 && t.Right - near < x && x < t.Right + near) found = col;
    }
    return found;
}

// ---------------------------------------------------------------- editors

QString UC_ListViewModel::NormaliseTimeText(const QString& pText) {
    if (pText.size() != 6) return pText;
    for (QChar c : pText)
        if (!c.isDigit() || c.unicode() > '9') return pText;
    const int hours = pText.left(2).toInt();
    const int minutes = pText.mid(2, 2).toInt();
    const int seconds = pText.mid(4, 2).toInt();
    if (hours > 30 || minutes > 59 || seconds > 59) return pText;
    return pText.left(2) + ':' + pText.mid(2, 2) + ':' + pText.mid(4, 2);
}
