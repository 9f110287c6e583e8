#pragma once
// A check box or option box for the screen reader: its caption, whether it is
// checked, and the click that toggles or chooses it.

#include <QAccessibleWidget>

class UC_Check;

class AccessibleCheck : public QAccessibleWidget {
  public:
    explicit AccessibleCheck(UC_Check* pControl);

    QAccessible::Role role() const override;
    QString text(QAccessible::Text pKind) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& pAction) override;

  private:
    UC_Check* m_Control;
};
