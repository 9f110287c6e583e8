#include "controls/AccessibleBar.h"

#include "controls/UC_Bar.h"

#include <cmath>

AccessibleBar::AccessibleBar(UC_Bar* pControl)
    : QAccessibleWidget(pControl, QAccessible::ProgressBar), m_Control(pControl) {}

void* AccessibleBar::interface_cast(QAccessible::InterfaceType pType) {
    if (pType == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(pType);
}

// Value: the bar's own text when it shows one, else the share done in percent. The
// description is that text as well (a reader hears descriptions, not value texts), else
// what the owner describes the bar as; never the tooltip, which is only current when shown.
QString AccessibleBar::text(QAccessible::Text pKind) const {
    if (pKind == QAccessible::Description)
        return m_Control->TextToDisp().isEmpty() ? widget()->accessibleDescription()
                                                 : m_Control->TextToDisp();
    if (pKind != QAccessible::Value) return QAccessibleWidget::text(pKind);
    if (!m_Control->TextToDisp().isEmpty()) return m_Control->TextToDisp();
    const double share = m_Control->Max() > 0 ? double(m_Control->Value()) / m_Control->Max() : 0;
    return QStringLiteral("%1%").arg(std::lround(share * 100));
}

QVariant AccessibleBar::currentValue() const {
    return m_Control->Value();
}
QVariant AccessibleBar::maximumValue() const {
    return m_Control->Max();
}
