#include "controls/AccessibleButtons.h"

#include "controls/UC_Buttons.h"

AccessibleButtons::AccessibleButtons(UC_Buttons* pControl)
    : QAccessibleWidget(pControl, QAccessible::Grouping), m_Control(pControl) {}

int AccessibleButtons::childCount() const {
    return m_Control->NumButtons();
}

QAccessibleInterface* AccessibleButtons::child(int pIndex) const {
    if (pIndex < 0 || pIndex >= childCount()) return nullptr;
    return m_Buttons.Get(pIndex, [&] { return new AccessibleStripButton(m_Control, pIndex); });
}

int AccessibleButtons::indexOfChild(const QAccessibleInterface* pChild) const {
    const int index = m_Buttons.IndexOf(pChild);
    return index < childCount() ? index : -1;
}

QAccessibleInterface* AccessibleButtons::focusChild() const {
    return m_Control->hasFocus() ? child(m_Control->FocusButton()) : nullptr;
}

QAccessibleInterface* AccessibleButtons::childAt(int pX, int pY) const {
    const QPoint local = m_Control->mapFromGlobal(QPoint(pX, pY));
    if (local.y() < 0 || local.y() >= m_Control->ButtonHeight()) return nullptr;
    return child(m_Control->HitTest(local.x()));
}

AccessibleStripButton::AccessibleStripButton(UC_Buttons* pStrip, int pIndex)
    : m_Strip(pStrip), m_Index(pIndex) {}

bool AccessibleStripButton::isValid() const {
    return m_Strip && m_Index < m_Strip->NumButtons();
}

QWindow* AccessibleStripButton::window() const {
    return m_Strip ? m_Strip->window()->windowHandle() : nullptr;
}

QAccessibleInterface* AccessibleStripButton::parent() const {
    return OwnerInterface(m_Strip);
}

QString AccessibleStripButton::text(QAccessible::Text pKind) const {
    if (!isValid() || pKind != QAccessible::Name) return QString();
    return m_Strip->GetButtonChar(m_Index);
}

QRect AccessibleStripButton::rect() const {
    if (!isValid()) return QRect();
    const QRect local(m_Strip->ButtonLeft(m_Index), 0, m_Strip->ButtonWidth(),
                      m_Strip->ButtonHeight());
    return QRect(m_Strip->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State AccessibleStripButton::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    s.disabled = !m_Strip->isEnabled() || !m_Strip->IsButtonEnabled(m_Index);
    s.pressed = m_Strip->HeldButton() == m_Index;
    s.focusable = !s.disabled;
    s.focused = m_Strip->hasFocus() && m_Strip->FocusButton() == m_Index;
    s.defaultButton = m_Strip->DefaultButton() == m_Index;
    s.checked = m_Strip->GetButtonOn(m_Index) != 0;
    s.invisible = !m_Strip->isVisible();
    return s;
}

void* AccessibleStripButton::interface_cast(QAccessible::InterfaceType pType) {
    if (pType == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

QStringList AccessibleStripButton::actionNames() const {
    if (!isValid() || state().disabled) return {};
    return {pressAction()};
}

// A press is the user's click on the button's middle, with its own rules.
void AccessibleStripButton::doAction(const QString& pAction) {
    if (!actionNames().contains(pAction)) return;
    ClickControlAt(m_Strip, QPoint(m_Strip->ButtonLeft(m_Index) + m_Strip->ButtonWidth() / 2,
                                   m_Strip->ButtonHeight() / 2));
}
