#pragma once
// The button strip for the screen reader: a group whose children are its
// buttons, each with its caption, its disabled state and a press action.

#include "controls/AccessibleControls.h"

#include <QAccessibleWidget>
#include <QPointer>

#include "controls/UC_Buttons.h"

class AccessibleButtons : public QAccessibleWidget {
  public:
    explicit AccessibleButtons(UC_Buttons* pControl);

    int childCount() const override;
    QAccessibleInterface* child(int pIndex) const override;
    int indexOfChild(const QAccessibleInterface* pChild) const override;
    QAccessibleInterface* childAt(int pX, int pY) const override;
    QAccessibleInterface* focusChild() const override;

  private:
    UC_Buttons* m_Control;
    mutable AccessibleChildren m_Buttons;
};

// One button of a strip.
class AccessibleStripButton : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    AccessibleStripButton(UC_Buttons* pStrip, int pIndex);

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QString text(QAccessible::Text pKind) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::PushButton; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType pType) override;

    QStringList actionNames() const override;
    void doAction(const QString& pAction) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    QPointer<UC_Buttons> m_Strip;
    int m_Index;
};
