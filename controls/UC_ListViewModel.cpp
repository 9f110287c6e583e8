#include "controls/UC_ListViewModel.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>

QString LVVariant::Text() const {
    if (const auto* d = std::get_if<double>(&v_)) return QString::number(*d, 'g', 15);
    if (const auto* s = std::get_if<QString>(&v_)) return *s;
    return QString();
}

double LVVariant::Number(bool* pOk) const {
    bool ok = true;
    double result = 0.0;
    if (const auto* d = std::get_if<double>(&v_)) {
        result = *d;
    } else if (const auto* s = std::get_if<QString>(&v_)) {
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
    item.Data.resize(size_t(numData_));
    item.Aux.resize(size_t(numAux_));
    return item;
}

void UC_ListViewModel::GrowStore(int32_t pNeeded) {
    if (int32_t(items_.size()) >= pNeeded) return;
    items_.resize(size_t(pNeeded) + SpareRecords, FreshItem(textColor_));
}

void UC_ListViewModel::CutStore() {
    if (int32_t(items_.size()) > itemCount_) items_.resize(size_t(itemCount_));
}

void UC_ListViewModel::InitModel() {
    tabs_.assign(size_t(numData_), LVTab{});
    for (int32_t i = 0; i < numData_; ++i)
        tabs_[size_t(i)].TabOrder = i;
    RebuildTabPositions();
    LayoutTabs();
    items_.clear();
    itemCount_ = 0;
    GrowStore(1);
    cursor_ = -1;
    topItem_ = 0;
    lastSort_ = -1;
    lastSortReversed_ = 0;
}

void UC_ListViewModel::ResetNumTab() {
    if (itemCount_ <= 0) return;
    for (auto& item : items_) {
        item.Data.resize(size_t(numData_));
        item.Aux.resize(size_t(numAux_));
    }
}

int32_t UC_ListViewModel::ResolveIndex(int32_t pIndex, bool pAllowLast) const {
    if (pIndex == -1)
        pIndex = cursor_;
    else if (pIndex == -2 && pAllowLast)
        pIndex = itemCount_ - 1;
    return (pIndex >= 0 && pIndex < itemCount_) ? pIndex : -1;
}

void UC_ListViewModel::AddItem(int32_t pNum) {
    if (pNum <= 0) return;
    const int32_t first = itemCount_;
    itemCount_ += pNum;
    GrowStore(itemCount_);
    // Spare records may predate a change of the text colour.
    for (int32_t i = first; i < itemCount_; ++i)
        items_[size_t(i)].DispColor = textColor_;
}

void UC_ListViewModel::InsertItem(int32_t pIndex, int32_t pNum) {
    if (pNum <= 0) pNum = 1;
    if (pIndex == -1) pIndex = cursor_;
    if (pIndex < 0 || pIndex > itemCount_) return;
    itemCount_ += pNum;
    GrowStore(itemCount_);
    auto first = items_.begin() + pIndex;
    std::move_backward(first, items_.begin() + (itemCount_ - pNum), items_.begin() + itemCount_);
    std::fill(first, first + pNum, FreshItem(0));
    if (cursor_ >= pIndex) cursor_ += pNum;
}

void UC_ListViewModel::DeleteItem(int32_t pIndex) {
    const bool atCursor = pIndex == -1;
    const int32_t i = ResolveIndex(pIndex, true);
    if (i < 0) return;
    items_.erase(items_.begin() + i);
    --itemCount_;
    CutStore();
    if (!atCursor && cursor_ > i) cursor_ = std::max(cursor_ - 1, -1);
}

void UC_ListViewModel::DeleteItemEx(int32_t pIndex1, int32_t pIndex2) {
    if (itemCount_ <= 0) return;
    pIndex1 = std::clamp(pIndex1, 0, itemCount_ - 1);
    pIndex2 = std::clamp(pIndex2, 0, itemCount_ - 1);
    if (pIndex1 > pIndex2) return;
    items_.erase(items_.begin() + pIndex1, items_.begin() + pIndex2 + 1);
    itemCount_ -= pIndex2 - pIndex1 + 1;
    CutStore();
}

void UC_ListViewModel::DeleteAll() {
    items_.clear();
    itemCount_ = 0;
    topItem_ = 0;
    cursor_ = -1;
    lastSort_ = -1;
    rangeFlag_ = 0;
    toggleFlag_ = 0;
}

void UC_ListViewModel::DeleteSelected() {
    auto keepEnd = std::stable_partition(items_.begin(), items_.begin() + itemCount_,
                                         [](const LVItem& it) { return it.State == 0; });
    itemCount_ = int32_t(keepEnd - items_.begin());
    CutStore();
    cursor_ = -1;
}

// ---------------------------------------------------------------- item values

LVVariant UC_ListViewModel::Value(int32_t pIndex, int32_t pData) const {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i < 0 || pData < 0 || pData >= numData_) return {};
    const auto& data = items_[size_t(i)].Data;
    return size_t(pData) < data.size() ? data[size_t(pData)] : LVVariant{};
}

void UC_ListViewModel::SetValue(int32_t pIndex, int32_t pData, const LVVariant& pValue) {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i < 0 || pData < 0 || pData >= numData_) return;
    auto& data = items_[size_t(i)].Data;
    if (size_t(pData) >= data.size()) data.resize(size_t(numData_));
    data[size_t(pData)] = pValue;
}

LVVariant UC_ListViewModel::AuxID(int32_t pIndex, int32_t pAux) const {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i < 0 || pAux < 0 || pAux >= numAux_) return {};
    const auto& aux = items_[size_t(i)].Aux;
    return size_t(pAux) < aux.size() ? aux[size_t(pAux)] : LVVariant{};
}

void UC_ListViewModel::SetAuxID(int32_t pIndex, int32_t pAux, const LVVariant& pValue) {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i < 0 || pAux < 0 || pAux >= numAux_) return;
    auto& aux = items_[size_t(i)].Aux;
    if (size_t(pAux) >= aux.size()) aux.resize(size_t(numAux_));
    aux[size_t(pAux)] = pValue;
}

int32_t UC_ListViewModel::IconType(int32_t pIndex) const {
    const int32_t i = ResolveIndex(pIndex, true);
    return i < 0 ? 0 : items_[size_t(i)].IconType;
}

void UC_ListViewModel::SetIconType(int32_t pIndex, int32_t pValue) {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i >= 0) items_[size_t(i)].IconType = pValue;
}

uint32_t UC_ListViewModel::DispColor(int32_t pIndex) const {
    const int32_t i = ResolveIndex(pIndex, false);
    return i < 0 ? 0 : items_[size_t(i)].DispColor;
}

void UC_ListViewModel::SetDispColor(int32_t pIndex, uint32_t pValue) {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i >= 0) items_[size_t(i)].DispColor = pValue;
}

uint32_t UC_ListViewModel::HLine(int32_t pIndex) const {
    const int32_t i = ResolveIndex(pIndex, false);
    return i < 0 ? 0 : items_[size_t(i)].HLine;
}

void UC_ListViewModel::SetHLine(int32_t pIndex, uint32_t pValue) {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i >= 0) items_[size_t(i)].HLine = pValue;
}

// ---------------------------------------------------------------- reordering

void UC_ListViewModel::ExchangeItem(int32_t pPlus) {
    if (itemCount_ < 2 || cursor_ < 0 || cursor_ >= itemCount_) return;
    const int32_t target = cursor_ + pPlus;
    if (target < 0 || target >= itemCount_) return;
    for (int32_t i = 0; i < itemCount_; ++i)
        items_[size_t(i)].State = 0;
    std::swap(items_[size_t(cursor_)], items_[size_t(target)]);
    cursor_ = target;
    items_[size_t(target)].State = 1;
}

void UC_ListViewModel::MoveCursor(int32_t pIsDown) {
    if (itemCount_ <= 0) return;
    int32_t next = 0;
    if (cursor_ >= 0) next = std::clamp(cursor_ + (pIsDown ? 1 : -1), 0, itemCount_ - 1);
    for (int32_t i = 0; i < itemCount_; ++i)
        items_[size_t(i)].State = 0;
    items_[size_t(next)].State = 1;
    cursor_ = next;
}

namespace {

// Sort key of one cell: a lower-case text, or a number (cells that are not numbers sort first).
struct SortKey {
    QString text;
    double number = 0.0;
    bool isNumber = true;
};

bool KeyGreater(const SortKey& a, const SortKey& b, bool pNumeric) {
    if (!pNumeric) return a.text > b.text;
    if (a.isNumber != b.isNumber) return a.isNumber;
    return a.isNumber && a.number > b.number;
}

// The rank of every key in ascending order; equal keys share a rank, so comparing
// ranks gives exactly what comparing the keys gives, at the price of integers.
std::vector<int32_t> RankKeys(const std::vector<SortKey>& keys, bool pNumeric) {
    std::vector<int32_t> byKey(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        byKey[i] = int32_t(i);
    std::sort(byKey.begin(), byKey.end(), [&](int32_t a, int32_t b) {
        return KeyGreater(keys[size_t(b)], keys[size_t(a)], pNumeric);
    });
    std::vector<int32_t> rank(keys.size());
    int32_t r = 0;
    for (size_t i = 0; i < byKey.size(); ++i) {
        if (i > 0 && KeyGreater(keys[size_t(byKey[i])], keys[size_t(byKey[i - 1])], pNumeric)) ++r;
        rank[size_t(byKey[i])] = r;
    }
    return rank;
}

} // namespace

void UC_ListViewModel::ShellSort(int32_t pData) {
    const int32_t n = itemCount_;
    const bool numeric = ValidTab(pData) && tabs_[size_t(pData)].DataNumeric != 0;
    std::vector<SortKey> keys(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        const LVVariant cell = Value(i, pData);
        if (numeric) {
            bool ok = false;
            keys[size_t(i)].number = cell.Number(&ok);
            keys[size_t(i)].isNumber = ok;
        } else {
            keys[size_t(i)].text = cell.Text().toLower();
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
    sorted.reserve(items_.size());
    for (int32_t i = 0; i < n; ++i)
        sorted.push_back(std::move(items_[size_t(order[size_t(i)])]));
    for (size_t i = size_t(n); i < items_.size(); ++i)
        sorted.push_back(std::move(items_[i]));
    items_ = std::move(sorted);
}

void UC_ListViewModel::ReOrder(int32_t pOrderItem, int32_t pForce) {
    if (cursor_ >= 0 && cursor_ < itemCount_) items_[size_t(cursor_)].State = 2;
    const bool reverse = pOrderItem == lastSort_ && lastSortReversed_ == 0 && pForce != 1;
    lastSort_ = pOrderItem;
    ShellSort(pOrderItem);
    if (reverse) std::reverse(items_.begin(), items_.begin() + itemCount_);
    lastSortReversed_ = reverse ? 1 : 0;
    for (int32_t i = 0; i < itemCount_; ++i) {
        if (items_[size_t(i)].State == 2) {
            items_[size_t(i)].State = 1;
            cursor_ = i;
        }
    }
}

void UC_ListViewModel::RndItem() {
    if (itemCount_ < 3) return;
    lastSort_ = -1;
    lastSortReversed_ = 0;
    const int64_t k = std::llround(double(itemCount_) / 100.0 + 7.0);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    for (int32_t i = 0; i < itemCount_; ++i) {
        std::mt19937_64 gen(
            uint64_t(std::chrono::high_resolution_clock::now().time_since_epoch().count()) + i);
        const double r = uniform(gen);
        const int64_t j = std::llround(r * double(itemCount_ - 1) + double(i % k));
        if (j < itemCount_) {
            std::swap(items_[size_t(i)], items_[size_t(j)]);
            if (cursor_ == i)
                cursor_ = int32_t(j);
            else if (cursor_ == j)
                cursor_ = i;
        }
    }
}

int32_t UC_ListViewModel::YsItem(double pY) const {
    if (oneHeight_ <= 0) return std::clamp(topItem_, 0, itemCount_);
    const int64_t y = int64_t(std::nearbyint(pY));
    const int64_t row = y / oneHeight_ + topItem_;
    return int32_t(std::clamp<int64_t>(row, 0, itemCount_));
}

// ---------------------------------------------------------------- selection

void UC_ListViewModel::SetSelectedItem(int32_t pValue) {
    cursor_ = std::clamp(pValue, -1, itemCount_ - 1);
    if (cursor_ >= 0) items_[size_t(cursor_)].State = 1;
}

bool UC_ListViewModel::IsSelected(int32_t pIndex) const {
    const int32_t i = ResolveIndex(pIndex, false);
    return i >= 0 && items_[size_t(i)].State != 0;
}

void UC_ListViewModel::SetIsSelected(int32_t pIndex, bool pValue) {
    const int32_t i = ResolveIndex(pIndex, true);
    if (i >= 0) items_[size_t(i)].State = pValue ? 1 : 0;
    if (pIndex == -1 && !pValue) cursor_ = -1;
}

int32_t UC_ListViewModel::NumSelectedItems() const {
    return int32_t(std::count_if(items_.begin(), items_.begin() + itemCount_,
                                 [](const LVItem& it) { return it.State == 1; }));
}

bool UC_ListViewModel::MultiSelected() const {
    int32_t n = 0;
    for (int32_t i = 0; i < itemCount_ && n < 2; ++i)
        n += items_[size_t(i)].State == 1;
    return n > 1;
}

void UC_ListViewModel::SelectAll() {
    for (int32_t i = 0; i < itemCount_; ++i)
        items_[size_t(i)].State = 1;
}

void UC_ListViewModel::UnSelectAll() {
    if (itemCount_ <= 0) return;
    for (int32_t i = 0; i < itemCount_; ++i)
        items_[size_t(i)].State = 0;
    cursor_ = -1;
}

void UC_ListViewModel::PressRow(int32_t pRow, int16_t pShift, bool pMultiSelect) {
    if (pShift == 1 && pMultiSelect) {
        const int32_t from = cursor_ < 0 ? 0 : std::min(cursor_, itemCount_ - 1);
        const int32_t lo = std::min(from, pRow), hi = std::max(from, pRow);
        for (int32_t i = 0; i < itemCount_; ++i)
            SetIsSelected(i, i >= lo && i <= hi);
        rangeFlag_ = 1;
        toggleFlag_ = 0;
    } else if (pShift == 2 && pMultiSelect) {
        rangeFlag_ = 0;
        toggleFlag_ = 1;
    } else {
        bool keep = false;
        if (rangeFlag_ == 1) {
            rangeFlag_ = 0;
            keep = IsSelected(pRow);
        }
        if (!keep && toggleFlag_ == 1) {
            toggleFlag_ = 0;
            keep = true;
        }
        if (!keep) {
            for (int32_t i = 0; i < itemCount_; ++i)
                SetIsSelected(i, i == pRow);
        }
    }
    cursor_ = pRow;
}

void UC_ListViewModel::SetOneHeightValue(int32_t pValue) {
    oneHeight_ = pValue;
    if (editorHeight_ == 0) editorHeight_ = pValue;
}

// ---------------------------------------------------------------- columns

QString UC_ListViewModel::TabName(int32_t pData) const {
    return ValidTab(pData) ? tabs_[size_t(pData)].TabName : QString();
}
void UC_ListViewModel::SetTabName(int32_t pData, const QString& pValue) {
    if (ValidTab(pData)) tabs_[size_t(pData)].TabName = pValue;
}
int32_t UC_ListViewModel::TabWidth(int32_t pData) const {
    return ValidTab(pData) ? tabs_[size_t(pData)].TabWidth : 0;
}
void UC_ListViewModel::SetTabWidth(int32_t pData, int32_t pValue) {
    if (!ValidTab(pData)) return;
    tabs_[size_t(pData)].TabWidth = std::max(pValue, MinTabWidth);
    LayoutTabs();
}
int32_t UC_ListViewModel::TabAlign(int32_t pData) const {
    return ValidTab(pData) ? tabs_[size_t(pData)].TabAlign : 0;
}
void UC_ListViewModel::SetTabAlign(int32_t pData, int32_t pValue) {
    if (ValidTab(pData)) tabs_[size_t(pData)].TabAlign = pValue;
}
int32_t UC_ListViewModel::TabHidden(int32_t pData) const {
    return ValidTab(pData) ? tabs_[size_t(pData)].TabHidden : 0;
}
void UC_ListViewModel::SetTabHidden(int32_t pData, int32_t pValue) {
    if (!ValidTab(pData)) return;
    tabs_[size_t(pData)].TabHidden = pValue;
    LayoutTabs();
}
int32_t UC_ListViewModel::DataNumeric(int32_t pData) const {
    return ValidTab(pData) ? tabs_[size_t(pData)].DataNumeric : 0;
}
void UC_ListViewModel::SetDataNumeric(int32_t pData, int32_t pValue) {
    if (ValidTab(pData)) tabs_[size_t(pData)].DataNumeric = pValue;
}
int32_t UC_ListViewModel::TextIsTime(int32_t pData) const {
    return ValidTab(pData) ? tabs_[size_t(pData)].TextIsTime : 0;
}
void UC_ListViewModel::SetTextIsTime(int32_t pData, int32_t pValue) {
    if (ValidTab(pData)) tabs_[size_t(pData)].TextIsTime = pValue;
}
int32_t UC_ListViewModel::UseTextCombo(int32_t pData) const {
    return ValidTab(pData) ? tabs_[size_t(pData)].UseTextCombo : 0;
}
void UC_ListViewModel::SetUseTextCombo(int32_t pData, int32_t pValue) {
    if (!ValidTab(pData)) return;
    tabs_[size_t(pData)].UseTextCombo = pValue;
    if (pValue == 1 || pValue == 3)
        tabs_[size_t(pData)].FrontObj = 1;
    else if (pValue == 2)
        tabs_[size_t(pData)].FrontObj = 2;
}
int32_t UC_ListViewModel::FrontObj(int32_t pData) const {
    return ValidTab(pData) ? tabs_[size_t(pData)].FrontObj : 0;
}
void UC_ListViewModel::SetFrontObj(int32_t pData, int32_t pValue) {
    if (ValidTab(pData)) tabs_[size_t(pData)].FrontObj = pValue;
}
int32_t UC_ListViewModel::TabOrder(int32_t pData) const {
    return ValidTab(pData) ? tabs_[size_t(pData)].TabOrder : -1;
}

void UC_ListViewModel::SetTabOrder(int32_t pTab, int32_t pValue) {
    const int32_t n = int32_t(tabs_.size());
    if (pTab < 0 || pTab >= n || pValue < 0 || pValue >= n) return;
    const int32_t old = tabs_[size_t(pTab)].TabOrder;
    if (old == pValue) return;
    for (auto& t : tabs_) {
        if (old < pValue && t.TabOrder > old && t.TabOrder <= pValue)
            --t.TabOrder;
        else if (old > pValue && t.TabOrder >= pValue && t.TabOrder < old)
            ++t.TabOrder;
    }
    tabs_[size_t(pTab)].TabOrder = pValue;
    RebuildTabPositions();
    LayoutTabs();
}

void UC_ListViewModel::SetTabEditors(int32_t pData, int32_t pTextNum, int32_t pComboNum) {
    if (!ValidTab(pData)) return;
    tabs_[size_t(pData)].TextNum = pTextNum;
    tabs_[size_t(pData)].ComboNum = pComboNum;
}

int32_t UC_ListViewModel::TabAtPosition(int32_t pPos) const {
    return (pPos >= 0 && pPos < int32_t(tabPos_.size())) ? tabPos_[size_t(pPos)] : -1;
}

void UC_ListViewModel::RebuildTabPositions() {
    tabPos_.assign(tabs_.size(), 0);
    for (size_t i = 0; i < tabs_.size(); ++i) {
        const int32_t pos = tabs_[i].TabOrder;
        if (pos >= 0 && pos < int32_t(tabPos_.size())) tabPos_[size_t(pos)] = int32_t(i);
    }
}

void UC_ListViewModel::LayoutTabs() {
    int32_t edge = 0;
    for (int32_t col : tabPos_) {
        LVTab& t = tabs_[size_t(col)];
        t.Left = edge;
        t.Right = t.TabHidden == 1 ? edge : edge + t.TabWidth;
        edge = t.Right;
    }
}

int32_t UC_ListViewModel::TotalTabWidth() const {
    return tabPos_.empty() ? 0 : tabs_[size_t(tabPos_.back())].Right;
}

// ---------------------------------------------------------------- hit testing

int32_t UC_ListViewModel::RowAt(double pY) const {
    if (itemCount_ <= 0) return 0;
    const int64_t y = int64_t(std::nearbyint(pY - 4.0 * Px()));
    const int64_t row = (oneHeight_ > 0 ? y / oneHeight_ : 0) + topItem_;
    return int32_t(std::clamp<int64_t>(row, 0, itemCount_ - 1));
}

int32_t UC_ListViewModel::TabAt(double pX) const {
    const double x = pX + hOffset_;
    std::vector<int32_t> shown;
    for (int32_t col : tabPos_)
        if (tabs_[size_t(col)].TabHidden != 1) shown.push_back(col);
    if (shown.empty()) return 0;
    if (x > tabs_[size_t(tabPos_.back())].Right) return shown.back();
    if (x < tabs_[size_t(shown.front())].Right) return shown.front();
    for (size_t i = 1; i < shown.size(); ++i) {
        const LVTab& t = tabs_[size_t(shown[i])];
        if (t.Left < x && x < t.Right) return shown[i];
    }
    return 0;
}

int32_t UC_ListViewModel::BorderAt(double pX) const {
    const double x = pX + hOffset_;
    const double near = 5.0 * Px();
    int32_t found = -1;
    for (int32_t col : tabPos_) {
        const LVTab& t = tabs_[size_t(col)];
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
