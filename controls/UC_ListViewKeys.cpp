// The list from the keyboard: a cursor row with a focus mark, moved by the arrows,
// Home/End and the page keys, extended by Shift, toggled by Ctrl+Space; the menu key
// and Shift+F10 open the context menu at the cursor.
#include "controls/UC_ListView.h"

#include "controls/AccessibleEvents.h"
#include "controls/UC_ListViewBar.h"
#include "controls/UC_ListViewPane.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>

#include <algorithm>

namespace {

constexpr int32_t kNotAMove = -2;

bool IsMenuKey(const QKeyEvent* pEvent) {
    const Qt::KeyboardModifiers mods = pEvent->modifiers() & ~Qt::KeypadModifier;
    return pEvent->key() == Qt::Key_Menu ||
           (pEvent->key() == Qt::Key_F10 && mods == Qt::ShiftModifier);
}

} // namespace

void UC_ListView::keyPressEvent(QKeyEvent* pEvent) {
    const Qt::KeyboardModifiers mods = pEvent->modifiers() & ~Qt::KeypadModifier;
    if (pEvent->matches(QKeySequence::SelectAll)) {
        if (m_Options.NoMultiSelect == 0 && ItemCount() > 0) {
            SelectAll();
            ReDraw();
            TellListCursor(this);
        }
    } else if (pEvent->key() == Qt::Key_Delete && mods == Qt::NoModifier) {
        emit DeletePressed();
    } else if (IsMenuKey(pEvent)) {
        OpenMenuAtCursor();
    } else if (pEvent->key() == Qt::Key_Space && (mods & ~Qt::ControlModifier) == 0) {
        SelectCursorByKey(mods == Qt::ControlModifier);
    } else if (const int32_t target = KeyTarget(pEvent->key()); target != kNotAMove) {
        if (target >= 0) MoveCursorByKey(target, mods);
    } else {
        QWidget::keyPressEvent(pEvent);
        return;
    }
    pEvent->accept();
}

int32_t UC_ListView::KeyTarget(int pKey) const {
    const int32_t count = ItemCount(), cursor = SelectedItem();
    const int32_t page = std::max(m_VisibleRows - 1, 1);
    int32_t target;
    switch (pKey) {
    case Qt::Key_Up:
        target = cursor - 1;
        break;
    case Qt::Key_Down:
        target = cursor + 1;
        break;
    case Qt::Key_PageUp:
        target = cursor - page;
        break;
    case Qt::Key_PageDown:
        target = cursor + page;
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = count - 1;
        break;
    default:
        return kNotAMove;
    }
    if (count <= 0) return -1;
    // With no cursor yet every move starts at the first row (End at the last).
    if (cursor < 0 || cursor >= count) target = pKey == Qt::Key_End ? count - 1 : 0;
    return std::clamp(target, 0, count - 1);
}

void UC_ListView::MoveCursorByKey(int32_t pRow, Qt::KeyboardModifiers pMods) {
    const bool multi = m_Options.NoMultiSelect == 0;
    if (multi && (pMods & Qt::ShiftModifier)) {
        if (m_Anchor < 0 || m_Anchor >= ItemCount())
            m_Anchor = SelectedItem() >= 0 && SelectedItem() < ItemCount() ? SelectedItem() : pRow;
        const int32_t lo = std::min(m_Anchor, pRow), hi = std::max(m_Anchor, pRow);
        for (int32_t i = 0; i < ItemCount(); ++i)
            SetIsSelected(i, i >= lo && i <= hi);
    } else {
        m_Anchor = pRow;
        // Ctrl moves the cursor alone, leaving the selection for Ctrl+Space.
        if (!multi || !(pMods & Qt::ControlModifier)) {
            UnSelectAll();
            SetIsSelected(pRow, true);
        }
    }
    m_Model.SetCursor(pRow);
    KeepItemInView(pRow);
    ReDraw();
    TellListCursor(this);
}

void UC_ListView::SelectCursorByKey(bool pToggle) {
    if (ItemCount() <= 0) return;
    int32_t row = SelectedItem();
    if (row < 0 || row >= ItemCount()) row = std::clamp(TopItem(), 0, ItemCount() - 1);
    if (m_Options.NoMultiSelect != 0) {
        UnSelectAll();
        SetIsSelected(row, true);
    } else {
        SetIsSelected(row, pToggle ? !IsSelected(row) : true);
    }
    m_Anchor = row;
    m_Model.SetCursor(row);
    KeepItemInView(row);
    ReDraw();
    TellListCursor(this);
}

// The menu opens on the cursor row (the top of the rows when there is none), as a right
// click there would.
void UC_ListView::OpenMenuAtCursor() {
    const int32_t row = SelectedItem() >= TopItem() && SelectedItem() < ItemCount()
                            ? SelectedItem() - TopItem()
                            : 0;
    const QPoint inRows(m_PictureList->width() / 4,
                        int((row * OneHeight() + OneHeight() / 2) / std::max(Px(), 1)));
    const QPoint at = mapFromGlobal(m_PictureList->mapToGlobal(inRows));
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, mapToGlobal(at));
    QCoreApplication::sendEvent(this, &menu);
}

void UC_ListView::KeepItemInView(int32_t pIndex) {
    if (!m_Initialised || !m_Vbar || !m_Vbar->IsShown()) return;
    const int32_t rows = std::max(m_VisibleRows, 1);
    if (pIndex < TopItem())
        WriteVBar(std::clamp(pIndex, 0, m_Vbar->Max()));
    else if (pIndex > TopItem() + rows - 1)
        WriteVBar(std::clamp(pIndex - rows + 1, 0, m_Vbar->Max()));
}

void UC_ListView::SetCursorItem(int32_t pValue) {
    const int32_t old = SelectedItem();
    m_Model.SetCursor(pValue);
    if (old == pValue || !hasFocus()) return;
    // The mark leaves the old row and comes to the new one; the rest stays as drawn.
    ReDrawItem(old);
    ReDrawItem(pValue);
    TellListCursor(this);
}

bool UC_ListView::FocusMarkOn(int32_t pIndex) const {
    return hasFocus() && pIndex == SelectedItem();
}

void UC_ListView::focusInEvent(QFocusEvent* pEvent) {
    QWidget::focusInEvent(pEvent);
    ReDraw();
    TellListCursor(this);
}

void UC_ListView::focusOutEvent(QFocusEvent* pEvent) {
    QWidget::focusOutEvent(pEvent);
    ReDraw();
}

void UC_ListView::SetItemTip(int32_t pIndex, const QString& pText) {
    if (m_Model.ItemTip(pIndex) == pText) return;
    m_Model.SetItemTip(pIndex, pText);
    TellListRowText(this, pIndex == -1 ? SelectedItem() : pIndex == -2 ? ItemCount() - 1 : pIndex);
}

void UC_ListView::SetEmptyText(const QString& pText) {
    m_EmptyText = pText;
    if (ItemCount() == 0) ReDraw();
}

void UC_ListView::RowsChangedBy(int32_t pDelta) {
    if (m_Anchor >= ItemCount()) m_Anchor = -1;
    TellListRows(this, pDelta);
    emit RowsChanged();
}
