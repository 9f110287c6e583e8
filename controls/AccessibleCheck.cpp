#include "controls/AccessibleCheck.h"

#include "controls/AccessibleControls.h"
#include "controls/UC_Check.h"

AccessibleCheck::AccessibleCheck(UC_Check* pControl)
    : QAccessibleWidget(pControl, QAccessible::CheckBox), m_Control(pControl) {}

QAccessible::Role AccessibleCheck::role() const {
    return m_Control->IsOption() != 0 ? QAccessible::RadioButton : QAccessible::CheckBox;
}

QString AccessibleCheck::text(QAccessible::Text pKind) const {
    if (pKind == QAccessible::Name && widget()->accessibleName().isEmpty())
        return m_Control->Caption();
    return QAccessibleWidget::text(pKind);
}

QAccessible::State AccessibleCheck::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = m_Control->Value() != 0;
    s.disabled = s.disabled || m_Control->Enabled() == 0;
    return s;
}

QStringList AccessibleCheck::actionNames() const {
    if (m_Control->Enabled() == 0) return {};
    return {m_Control->IsOption() != 0 ? pressAction() : toggleAction()};
}

void AccessibleCheck::doAction(const QString& pAction) {
    if (actionNames().contains(pAction)) ClickControlAt(m_Control, m_Control->rect().center());
}
