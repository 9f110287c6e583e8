#include "controls/AccessibleListView.h"

#include "controls/AccessibleEvents.h"
#include "controls/DrawHelpers.h"
#include "controls/UC_ListView.h"

#include <QStringList>

std::vector<int32_t> ShownColumns(const UC_ListView& pList) {
    std::vector<int32_t> shown;
    for (int32_t column : pList.Model().TabPositions())
        if (pList.TabHidden(column) != 1) shown.push_back(column);
    return shown;
}

// ---------------------------------------------------------------- the list

AccessibleListView::AccessibleListView(UC_ListView* pControl)
    : QAccessibleWidget(pControl, QAccessible::List), m_Control(pControl) {}

void* AccessibleListView::interface_cast(QAccessible::InterfaceType pType) {
    if (pType == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(pType);
}

QAccessible::State AccessibleListView::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.multiSelectable = m_Control->Options().NoMultiSelect == 0;
    s.extSelectable = s.multiSelectable;
    return s;
}

int AccessibleListView::childCount() const {
    return m_Control->ItemCount();
}

QAccessibleInterface* AccessibleListView::child(int pIndex) const {
    if (pIndex < 0 || pIndex >= childCount()) return nullptr;
    return m_Rows.Get(pIndex, [&] { return new AccessibleListRow(m_Control, pIndex); });
}

int AccessibleListView::indexOfChild(const QAccessibleInterface* pChild) const {
    const int index = m_Rows.IndexOf(pChild);
    return index < childCount() ? index : -1;
}

QAccessibleInterface* AccessibleListView::childAt(int pX, int pY) const {
    const QWidget* rows = m_Control->PictureList();
    const QPoint local = rows->mapFromGlobal(QPoint(pX, pY));
    if (!rows->rect().contains(local) || m_Control->OneHeight() <= 0) return nullptr;
    const int row = m_Control->TopItem() + local.y() * Px() / m_Control->OneHeight();
    return child(row);
}

QAccessibleInterface* AccessibleListView::focusChild() const {
    if (!m_Control->hasFocus()) return nullptr;
    return child(m_Control->SelectedItem());
}

QAccessibleInterface* AccessibleListView::cellAt(int pRow, int pColumn) const {
    QAccessibleInterface* row = child(pRow);
    return row ? row->child(pColumn) : nullptr;
}

int AccessibleListView::columnCount() const {
    return int(ShownColumns(*m_Control).size());
}

QString AccessibleListView::columnDescription(int pColumn) const {
    const std::vector<int32_t> shown = ShownColumns(*m_Control);
    return pColumn >= 0 && pColumn < int(shown.size()) ? m_Control->TabName(shown[size_t(pColumn)])
                                                       : QString();
}

QString AccessibleListView::rowDescription(int pRow) const {
    QAccessibleInterface* row = child(pRow);
    return row ? row->text(QAccessible::Description) : QString();
}

QList<int> AccessibleListView::selectedRows() const {
    QList<int> rows;
    for (int i = 0; i < m_Control->ItemCount(); ++i)
        if (m_Control->IsSelected(i)) rows << i;
    return rows;
}

int AccessibleListView::selectedRowCount() const {
    return m_Control->NumSelectedItems();
}

int AccessibleListView::selectedCellCount() const {
    return selectedRowCount() * columnCount();
}

QList<QAccessibleInterface*> AccessibleListView::selectedCells() const {
    QList<QAccessibleInterface*> cells;
    for (int row : selectedRows())
        for (int column = 0; column < columnCount(); ++column)
            cells << cellAt(row, column);
    return cells;
}

bool AccessibleListView::isRowSelected(int pRow) const {
    return pRow >= 0 && pRow < m_Control->ItemCount() && m_Control->IsSelected(pRow);
}

// A row chosen by the reader is one more selected row, as a Ctrl+click makes it (the only
// one when the list takes no multiple selection).
bool AccessibleListView::selectRow(int pRow) {
    if (pRow < 0 || pRow >= m_Control->ItemCount()) return false;
    if (m_Control->Options().NoMultiSelect != 0) m_Control->UnSelectAll();
    m_Control->SetIsSelected(pRow, true);
    m_Control->ReDraw();
    TellListCursor(m_Control);
    return true;
}

bool AccessibleListView::unselectRow(int pRow) {
    if (pRow < 0 || pRow >= m_Control->ItemCount()) return false;
    m_Control->SetIsSelected(pRow, false);
    m_Control->ReDraw();
    TellListCursor(m_Control);
    return true;
}

// ---------------------------------------------------------------- rows and cells

QWindow* AccessibleListPart::window() const {
    return m_List ? m_List->window()->windowHandle() : nullptr;
}

bool AccessibleListPart::RowExists() const {
    return m_List && m_Row < m_List->ItemCount();
}

QRect AccessibleListPart::RowRect() const {
    if (!RowExists()) return QRect();
    const QWidget* rows = m_List->PictureList();
    const int height = m_List->OneHeight() / Px();
    const int top = (m_Row - m_List->TopItem()) * m_List->OneHeight() / Px();
    return QRect(rows->mapToGlobal(QPoint(0, top)), QSize(rows->width(), height));
}

QAccessibleInterface* AccessibleListRow::parent() const {
    return OwnerInterface(m_List);
}

int AccessibleListRow::childCount() const {
    return RowExists() ? int(ShownColumns(*m_List).size()) : 0;
}

QAccessibleInterface* AccessibleListRow::child(int pIndex) const {
    if (pIndex < 0 || pIndex >= childCount()) return nullptr;
    return m_Cells.Get(pIndex, [&] { return new AccessibleListCell(m_List, m_Row, pIndex); });
}

int AccessibleListRow::indexOfChild(const QAccessibleInterface* pChild) const {
    const int index = m_Cells.IndexOf(pChild);
    return index < childCount() ? index : -1;
}

// The cells as the row shows them, left to right, then what happened to it.
QString AccessibleListRow::text(QAccessible::Text pKind) const {
    if (!RowExists()) return QString();
    const QString tip = m_List->ItemTip(m_Row);
    if (pKind == QAccessible::Description) return tip;
    if (pKind != QAccessible::Name) return QString();
    QStringList parts;
    for (int32_t column : ShownColumns(*m_List))
        parts << m_List->Value(m_Row, column).Text();
    if (!tip.isEmpty()) parts << tip;
    return parts.join(QStringLiteral(", "));
}

void* AccessibleListRow::interface_cast(QAccessible::InterfaceType pType) {
    if (pType == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

QStringList AccessibleListRow::actionNames() const {
    if (!RowExists()) return {};
    return {toggleAction(), setFocusAction()};
}

void AccessibleListRow::doAction(const QString& pAction) {
    if (!RowExists()) return;
    if (pAction == toggleAction()) {
        QAccessibleInterface* owner = parent();
        QAccessibleTableInterface* list = owner ? owner->tableInterface() : nullptr;
        if (list == nullptr) return;
        if (list->isRowSelected(m_Row))
            list->unselectRow(m_Row);
        else
            list->selectRow(m_Row);
    } else if (pAction == setFocusAction()) {
        m_List->setFocus(Qt::OtherFocusReason);
        m_List->SetCursorItem(m_Row);
        m_List->ReDraw();
    }
}

QAccessible::State AccessibleListRow::state() const {
    QAccessible::State s;
    if (!RowExists()) {
        s.invalid = true;
        return s;
    }
    s.selectable = true;
    s.selected = m_List->IsSelected(m_Row);
    s.focusable = true;
    s.focused = m_List->hasFocus() && m_List->SelectedItem() == m_Row;
    const int top = m_List->TopItem();
    s.offscreen = m_Row < top || m_Row >= top + std::max(m_List->VisibleRows(), 1);
    s.invisible = !m_List->isVisible();
    return s;
}

bool AccessibleListCell::isValid() const {
    return RowExists() && m_ShownColumn < int(ShownColumns(*m_List).size());
}

QAccessibleInterface* AccessibleListCell::parent() const {
    QAccessibleInterface* list = OwnerInterface(m_List);
    return list ? list->child(m_Row) : nullptr;
}

// Name: the cell's text; description: its column's caption.
QString AccessibleListCell::text(QAccessible::Text pKind) const {
    if (!isValid()) return QString();
    const int32_t column = ShownColumns(*m_List)[size_t(m_ShownColumn)];
    if (pKind == QAccessible::Name || pKind == QAccessible::Value)
        return m_List->Value(m_Row, column).Text();
    if (pKind == QAccessible::Description) return m_List->TabName(column);
    return QString();
}

QRect AccessibleListCell::rect() const {
    if (!isValid()) return QRect();
    const LVTab& tab = m_List->Tab(ShownColumns(*m_List)[size_t(m_ShownColumn)]);
    const QRect row = RowRect();
    const int left = (tab.Left - m_List->HOffset()) / Px();
    return QRect(row.left() + left, row.top(), tab.TabWidth / Px(), row.height());
}

QAccessible::State AccessibleListCell::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    s.selected = m_List->IsSelected(m_Row);
    s.readOnly = true;
    return s;
}
