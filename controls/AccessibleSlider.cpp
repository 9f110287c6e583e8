#include "controls/AccessibleSlider.h"

#include "controls/UC_Slider.h"

AccessibleSlider::AccessibleSlider(UC_Slider* pControl)
    : QAccessibleWidget(pControl, QAccessible::Slider), m_Control(pControl) {}

void* AccessibleSlider::interface_cast(QAccessible::InterfaceType pType) {
    if (pType == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(pType);
}

QString AccessibleSlider::text(QAccessible::Text pKind) const {
    if (pKind == QAccessible::Value) return QString::number(m_Control->Value());
    return QAccessibleWidget::text(pKind);
}

QVariant AccessibleSlider::currentValue() const {
    return m_Control->Value();
}

void AccessibleSlider::setCurrentValue(const QVariant& pValue) {
    if (!m_Control->isEnabled() || m_Control->RefuseInput() != 0) return;
    const int32_t before = m_Control->Value();
    m_Control->SetValue(pValue.toInt());
    if (m_Control->Value() != before) emit m_Control->Scrolled(0);
}

QVariant AccessibleSlider::maximumValue() const {
    return m_Control->Max();
}
QVariant AccessibleSlider::minimumValue() const {
    return m_Control->Min();
}
QVariant AccessibleSlider::minimumStepSize() const {
    return m_Control->SmallChange();
}
