#include "controls/AccessibleEvents.h"

#include "controls/UC_Buttons.h"
#include "controls/UC_ListView.h"

#include <QAccessible>
#include <QWidget>

namespace {

std::function<void(QAccessibleEvent*)>& Watcher() {
    static std::function<void(QAccessibleEvent*)> watcher;
    return watcher;
}

bool Listening() {
    return QAccessible::isActive() || Watcher();
}

void Deliver(QAccessibleEvent& pEvent) {
    if (Watcher()) Watcher()(&pEvent);
    QAccessible::updateAccessibility(&pEvent);
}

// The interface of child pIndex of pOwner, when someone listens and it exists.
QAccessibleInterface* ChildOf(QWidget* pOwner, int32_t pIndex) {
    if (!Listening() || pOwner == nullptr || pIndex < 0) return nullptr;
    QAccessibleInterface* owner = QAccessible::queryAccessibleInterface(pOwner);
    return owner ? owner->child(int(pIndex)) : nullptr;
}

void Tell(QAccessibleInterface* pWho, QAccessible::Event pWhat) {
    if (pWho == nullptr) return;
    QAccessibleEvent event(pWho, pWhat);
    Deliver(event);
}

void TellWidget(QWidget* pWho, QAccessible::Event pWhat) {
    if (!Listening() || pWho == nullptr) return;
    QAccessibleEvent event(pWho, pWhat);
    Deliver(event);
}

} // namespace

void WatchAccessibleEvents(std::function<void(QAccessibleEvent*)> pWatcher) {
    Watcher() = std::move(pWatcher);
}

void TellListCursor(UC_ListView* pList) {
    if (!Listening() || pList == nullptr) return;
    TellWidget(pList, QAccessible::SelectionWithin);
    if (pList->hasFocus()) Tell(ChildOf(pList, pList->SelectedItem()), QAccessible::Focus);
}

void TellListRows(UC_ListView* pList, int32_t pDelta) {
    if (!Listening() || pList == nullptr) return;
    QAccessibleTableModelChangeEvent event(
        pList, pDelta > 0 ? QAccessibleTableModelChangeEvent::RowsInserted
                          : QAccessibleTableModelChangeEvent::RowsRemoved);
    Deliver(event);
}

void TellListRowText(UC_ListView* pList, int32_t pRow) {
    QAccessibleInterface* row = ChildOf(pList, pRow);
    Tell(row, QAccessible::NameChanged);
    Tell(row, QAccessible::DescriptionChanged);
}

void TellStripFocus(UC_Buttons* pStrip) {
    if (pStrip && pStrip->hasFocus())
        Tell(ChildOf(pStrip, pStrip->FocusButton()), QAccessible::Focus);
}

void TellStripState(UC_Buttons* pStrip, int32_t pButton) {
    QAccessibleInterface* button = ChildOf(pStrip, pButton);
    if (button == nullptr) return;
    QAccessible::State changed;
    changed.disabled = true;
    changed.pressed = true;
    QAccessibleStateChangeEvent event(button, changed);
    Deliver(event);
}

void TellValue(QWidget* pControl) {
    if (!Listening() || pControl == nullptr) return;
    QAccessibleInterface* control = QAccessible::queryAccessibleInterface(pControl);
    if (control == nullptr) return;
    QAccessibleValueInterface* value = control->valueInterface();
    QAccessibleValueChangeEvent event(control, value ? value->currentValue() : QVariant());
    Deliver(event);
}

void TellDescription(QWidget* pControl) {
    TellWidget(pControl, QAccessible::DescriptionChanged);
}
