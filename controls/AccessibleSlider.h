#pragma once
// A slider for the screen reader: its label, its range and its value, which
// the reader may also set.

#include <QAccessibleWidget>

class UC_Slider;

class AccessibleSlider : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit AccessibleSlider(UC_Slider* pControl);

    void* interface_cast(QAccessible::InterfaceType pType) override;
    QString text(QAccessible::Text pKind) const override;

    QVariant currentValue() const override;
    // Moves the slider as a user's step does: the owner hears of it.
    void setCurrentValue(const QVariant& pValue) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

  private:
    UC_Slider* m_Control;
};
