// Mouse, drag-and-drop, header and editor handling of the list control.
#include "controls/UC_ListView.h"

#include "controls/AccessibleEvents.h"
#include "controls/MouseButtons.h"

#include "controls/UC_ListViewBar.h"
#include "controls/UC_ListViewPane.h"

#include <QComboBox>
#include <QCursor>
#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr int32_t kDragThresholdPx = 8;

// Key codes as the host knows them: letters and digits as their capitals, the rest
// by the classic virtual-key numbers.
int32_t KeyCode(int pKey) {
    switch (pKey) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        break;
    }
    if (pKey >= Qt::Key_F1 && pKey <= Qt::Key_F24) return 112 + (pKey - Qt::Key_F1);
    return pKey & 0xFFFF;
}

Qt::DropActions ToDropActions(int32_t pEffects) {
    Qt::DropActions actions;
    if (pEffects & 1) actions |= Qt::CopyAction;
    if (pEffects & 2) actions |= Qt::MoveAction;
    if (pEffects & 4) actions |= Qt::LinkAction;
    return actions;
}

int32_t FromDropAction(Qt::DropAction pAction) {
    switch (pAction) {
    case Qt::CopyAction:
        return 1;
    case Qt::MoveAction:
        return 2;
    case Qt::LinkAction:
        return 4;
    default:
        return 0;
    }
}

} // namespace

// ---------------------------------------------------------------- row area

void UC_ListView::PictureList_MouseDown(int16_t Button, int16_t Shift, float X, float Y) {
    if (m_Options.ClickDisabled == 1) return;
    setFocus(Qt::MouseFocusReason);
    m_Pressed = true;
    emit MouseDown(Button, Shift, X, Y);
    if (Button != 1) return;
    m_DragStartX = X;
    m_DragStartY = Y;
    if (ItemCount() <= 0) {
        m_Model.SetCursor(-1);
        return;
    }
    const int32_t row = m_Model.RowAt(Y);
    if (Shift != 1 || m_Options.NoMultiSelect != 0 || m_Anchor < 0) m_Anchor = row;
    m_Model.PressRow(row, Shift, m_Options.NoMultiSelect == 0);
    m_Model.SetSelectedData(m_Model.TabAt(X));
    ReDraw();
    TellListCursor(this);
}

void UC_ListView::PictureList_MouseUp(int16_t Button, int16_t Shift, float X, float Y) {
    if (m_Options.ClickDisabled == 0 && m_Pressed) {
        m_Pressed = false;
        if (Button == 2) {
            emit RightClicked(X, Y);
        } else {
            if (Shift == 2 && m_Options.NoMultiSelect != 1) {
                if (ItemCount() > 0) {
                    const int32_t r = m_Model.RowAt(Y);
                    SetIsSelected(r, !IsSelected(r));
                    m_Model.SetCursor(r);
                    m_Anchor = r;
                } else {
                    m_Model.SetCursor(-1);
                }
            }
            emit Clicked(X, Y);
            ReDraw();
        }
    }
    m_DragStartX = m_DragStartY = -1;
}

void UC_ListView::PictureList_DblClick() {
    if (m_Options.ClickDisabled == 0 && ItemCount() > 0) emit DblClicked();
}

void UC_ListView::PictureList_DblClickAt(float Y) {
    // The blank space below the last row holds no row to act on.
    if (YsItem(Y) >= ItemCount()) return;
    PictureList_DblClick();
}

void UC_ListView::PictureList_MouseMove(int16_t Button, int16_t, float X, float Y) {
    if (m_Options.ClickDisabled == 1) return;
    if ((Button & 1) && ItemCount() > 0 && m_DragStartX != -1) {
        const float limit = float(kDragThresholdPx * Px());
        if (std::fabs(X - m_DragStartX) > limit || std::fabs(Y - m_DragStartY) > limit) {
            m_DragStartX = m_DragStartY = -1;
            StartItemDrag();
        }
    }
    if (m_SizingPointer) SetSizingPointer(false);
}

void UC_ListView::StartItemDrag() {
    if (m_Options.ClickDisabled != 0 || ItemCount() <= 0) return;
    auto* mime = new QMimeData;
    UC_ListViewData data(nullptr, mime);
    int32_t allowed = 1;
    emit OLEStartDrag(data, allowed);
    int32_t effect = 0;
    if (m_DragRunner) {
        effect = m_DragRunner(mime, allowed);
        delete mime;
    } else {
        auto* drag = new QDrag(m_PictureList);
        drag->setMimeData(mime);
        effect = FromDropAction(drag->exec(ToDropActions(allowed)));
    }
    // The drag took the button's release.
    m_Pressed = false;
    emit OLECompleteDrag(effect);
}

void UC_ListView::PictureList_OLEDragOver(float X, float Y) {
    emit OLEDragOver();
    if (m_Options.NoOleScroll != 0 || !m_Vbar || !m_Vbar->IsShown()) return;
    if (X != m_OverX || Y != m_OverY) {
        m_OverX = X;
        m_OverY = Y;
        return;
    }
    const double t = m_Clock();
    const double dt = std::fabs(m_OverTime - t) + 1e-9; // clock readings are decimal fractions
    if (dt > 1.0) {
        m_OverTime = t;
        return;
    }
    const double oh = OneHeight();
    const double h = double(m_PictureList->height()) * Px();
    const int32_t value = m_Vbar->Value();
    int32_t next = value;
    bool step = false;
    if (Y < 0.5 * oh) {
        if ((step = dt >= 0.02)) next = value - m_Vbar->LargeChange();
    } else if (Y < 1.5 * oh) {
        if ((step = dt >= 0.2)) next = value - 1;
    } else if (Y > h - 0.5 * oh) {
        if ((step = dt >= 0.02)) next = value + m_Vbar->LargeChange();
    } else if (Y > h - 1.5 * oh) {
        if ((step = dt >= 0.2)) next = value + 1;
    }
    if (!step) return;
    m_OverTime = t;
    WriteVBar(std::clamp(next, m_Vbar->Min(), m_Vbar->Max()));
    VBarSync();
}

bool UC_ListView::TakesDrag(const QMimeData* pMime, Qt::DropActions pPossible) {
    if (!pMime || !(pPossible & Qt::CopyAction)) return false;
    return !UC_ListViewData(pMime, nullptr).FileList().isEmpty();
}

void UC_ListView::PictureList_DragMove(QDragMoveEvent* pEvent) {
    // Passing over the list raises the window, whether or not it takes what is dragged.
    PictureList_OLEDragOver(float(pEvent->position().x() * Px()),
                            float(pEvent->position().y() * Px()));
    if (!TakesDrag(pEvent->mimeData(), pEvent->possibleActions())) {
        pEvent->ignore();
        return;
    }
    pEvent->setDropAction(Qt::CopyAction);
    pEvent->accept();
}

void UC_ListView::PictureList_Drop(QDropEvent* pEvent) {
    if (!TakesDrag(pEvent->mimeData(), pEvent->possibleActions())) {
        pEvent->ignore();
        return;
    }
    const int32_t effect =
        DropData(pEvent->mimeData(), FromDropAction(Qt::CopyAction),
                 MouseButtonState(pEvent->buttons()), ShiftState(pEvent->modifiers()),
                 float(pEvent->position().x() * Px()), float(pEvent->position().y() * Px()));
    if (effect == 0) {
        pEvent->ignore(); // nothing was taken: the source is told so
        return;
    }
    pEvent->setDropAction(Qt::CopyAction);
    pEvent->accept();
}

int32_t UC_ListView::DropData(const QMimeData* pMime, int32_t pEffect, int16_t Button,
                              int16_t Shift, float X, float Y) {
    UC_ListViewData data(pMime, nullptr);
    int32_t effect = pEffect;
    emit OLEDragDrop(data, effect, Button, Shift, X, Y);
    return effect;
}

// ---------------------------------------------------------------- header

void UC_ListView::SetSizingPointer(bool pOn) {
    m_SizingPointer = pOn;
    if (pOn)
        m_PictureAll->setCursor(Qt::SizeHorCursor);
    else
        m_PictureAll->unsetCursor();
}

void UC_ListView::PictureTab_MouseMove(int16_t Button, int16_t, float X, float) {
    if (m_Options.TabDisabled == 1) return;
    if (Button == 0) {
        SetSizingPointer(m_Model.BorderAt(X) >= 0);
        return;
    }
    if ((Button & 1) && m_Model.ValidTab(m_ResizedTab) && m_SizingPointer) {
        const LVTab& tab = m_Model.Tab(m_ResizedTab);
        const double width = double(X) + HOffset() + 3.0 * Px() - tab.Right + tab.TabWidth;
        m_Model.SetTabWidth(m_ResizedTab, int32_t(std::nearbyint(width)));
        ReDrawTab(-1);
    }
}

void UC_ListView::PictureTab_MouseDown(int16_t Button, int16_t, float X, float) {
    if (m_Options.TabDisabled == 1 || Button != 1) return;
    if (m_SizingPointer)
        m_ResizedTab = m_Model.BorderAt(X);
    else
        ReDrawTab(m_Model.TabAt(X));
}

void UC_ListView::PictureTab_MouseUp(int16_t Button, int16_t, float X, float) {
    if (m_Options.TabDisabled == 1) return;
    if (Button == 1) {
        if (m_SizingPointer) {
            SetSizingPointer(false);
            m_ResizedTab = -1;
            SetVbarParm();
            ReDrawTab(-1);
            ReDraw();
            emit TabMoved();
            return;
        }
        if (m_Options.SortDisabled == 0 && m_Options.ClickDisabled == 0)
            ReOrder(m_Model.TabAt(X), 0);
        ReDrawTab(-1);
        ReDraw();
    } else if (Button == 2 && m_Options.UseTabOrder != 0) {
        PopupTabMenu(m_Model.TabAt(X));
    }
}

void UC_ListView::PopupTabMenu(int32_t pTab) {
    m_MenuTab = pTab;
    const QList<QAction*> actions = m_Menu->actions();
    for (int32_t i = 0; i < int32_t(actions.size()); ++i)
        actions[i]->setEnabled(i != TabOrder(pTab));
    m_Menu->popup(QCursor::pos());
}

void UC_ListView::MenuRCTab_Click(int32_t pIndex) {
    SetTabOrder(m_MenuTab, pIndex);
    m_Model.LayoutTabs();
    ReDrawTab(-1);
    ReDraw();
    emit TabReOrderd();
}

// ---------------------------------------------------------------- editors

void UC_ListView::TextLV_Change(int32_t pInstance) {
    QLineEdit* edit = TextLV(pInstance);
    if (!edit) return;
    int32_t col = -1;
    for (int32_t i = 0; i < NumData() && col < 0; ++i)
        if ((m_Model.Tab(i).UseTextCombo & 1) && m_Model.Tab(i).TextNum == pInstance) col = i;
    if (col < 0 || m_Model.Tab(col).TextIsTime != 0) {
        const QString normal = UC_ListViewModel::NormaliseTimeText(edit->text());
        if (normal != edit->text()) {
            const QSignalBlocker block(edit);
            edit->setText(normal);
        }
    }
    if (col >= 0) SetValue(-1, col, edit->text());
}

void UC_ListView::ComboLV_Click(int32_t pInstance, int32_t pPosition) {
    QComboBox* combo = ComboLV(pInstance);
    if (!combo || pPosition < 0 || pPosition >= combo->count()) return;
    for (int32_t i = 0; i < NumData(); ++i) {
        const LVTab& tab = m_Model.Tab(i);
        if ((tab.UseTextCombo & 2) && tab.ComboNum == pInstance) {
            SetValue(-1, i, combo->itemText(pPosition));
            emit ComboChaged(i, pPosition);
        }
    }
}

void UC_ListView::EditorKey(QObject* pEditor, int32_t pAction, int32_t pKeyValue, int16_t pShift) {
    int32_t isCombo = -1, instance = -1;
    for (size_t i = 0; i < m_TextLv.size(); ++i)
        if (m_TextLv[i] == pEditor) isCombo = 0, instance = int32_t(i);
    for (size_t i = 0; i < m_ComboLv.size(); ++i)
        if (m_ComboLv[i] == pEditor) isCombo = 1, instance = int32_t(i);
    if (isCombo < 0) return;
    int32_t tab = -1;
    for (int32_t i = 0; i < NumData() && tab < 0; ++i) {
        const LVTab& t = m_Model.Tab(i);
        if (isCombo == 0 && (t.UseTextCombo & 1) && t.TextNum == instance) tab = i;
        if (isCombo == 1 && (t.UseTextCombo & 2) && t.ComboNum == instance) tab = i;
    }
    emit TextComboKeyAction(isCombo, tab, pAction, pKeyValue, pShift);
}

bool UC_ListView::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::Wheel && BarWheel(pWatched, static_cast<QWheelEvent*>(pEvent)))
        return true;
    if (pEvent->type() == QEvent::KeyPress || pEvent->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(pEvent);
        const bool down = pEvent->type() == QEvent::KeyPress;
        EditorKey(pWatched, down ? 1 : 0, KeyCode(key->key()), ShiftState(key->modifiers()));
        if (down && !key->text().isEmpty()) EditorKey(pWatched, 2, key->text()[0].unicode(), 0);
    }
    return QWidget::eventFilter(pWatched, pEvent);
}
