#pragma once
// The progress bar for the screen reader: how far it is, as a value and as
// the text it shows.

#include <QAccessibleWidget>

class UC_Bar;

class AccessibleBar : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit AccessibleBar(UC_Bar* pControl);

    void* interface_cast(QAccessible::InterfaceType pType) override;
    QString text(QAccessible::Text pKind) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant&) override {} // it shows progress; nobody sets it
    QVariant maximumValue() const override;
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

  private:
    UC_Bar* m_Control;
};
