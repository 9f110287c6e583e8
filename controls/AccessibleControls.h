#pragma once
// Screen reader support for the self-drawn controls: each one tells the
// platform's accessibility layer its name, role, value and state.

#include <QAccessible>
#include <QPoint>

#include <functional>
#include <vector>

class QWidget;

// Installs the interfaces of the self-drawn controls; later calls do nothing.
void InstallAccessibleControls();

// A left click at a point of a control, through its own mouse handling, so an
// assistive action does exactly what the user's click does.
void ClickControlAt(QWidget* pControl, QPoint pAt);

// The interfaces of a control's parts that are not widgets (buttons of a
// strip, rows of a list), made when first asked for and kept registered until
// the owner goes away.
class AccessibleChildren {
  public:
    AccessibleChildren() = default;
    AccessibleChildren(const AccessibleChildren&) = delete;
    AccessibleChildren& operator=(const AccessibleChildren&) = delete;
    ~AccessibleChildren();

    QAccessibleInterface* Get(int pIndex, const std::function<QAccessibleInterface*()>& pMake);
    // The index of pChild among those made so far; -1 when it is not one of them.
    int IndexOf(const QAccessibleInterface* pChild) const;

  private:
    std::vector<QAccessible::Id> m_Ids; // 0 where none was made yet
};

// Where a child interface that is no widget belongs: the interface of pOwner.
QAccessibleInterface* OwnerInterface(QWidget* pOwner);
