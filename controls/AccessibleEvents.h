#pragma once
// What the self-drawn controls tell a screen reader when they change on their
// own: the platform only learns of a change it is told about. Each call does
// nothing while no assistive technology listens.

#include <cstdint>
#include <functional>

class QAccessibleEvent;

class QWidget;
class UC_Buttons;
class UC_ListView;

// The list's cursor row took the focus (or the selection changed with it).
void TellListCursor(UC_ListView* pList);
// Rows were added (pDelta > 0) or removed.
void TellListRows(UC_ListView* pList, int32_t pDelta);
// Row pRow's name and description changed (its status).
void TellListRowText(UC_ListView* pList, int32_t pRow);
// The button the strip's keys act on changed, or a button's state did.
void TellStripFocus(UC_Buttons* pStrip);
void TellStripState(UC_Buttons* pStrip, int32_t pButton);
// A control's value (and value text), or its description, changed.
void TellValue(QWidget* pControl);
void TellDescription(QWidget* pControl);

// Sees every event told, before the platform does, also while no assistive technology
// listens (for the tests); an empty function stops watching.
void WatchAccessibleEvents(std::function<void(QAccessibleEvent*)> pWatcher);
