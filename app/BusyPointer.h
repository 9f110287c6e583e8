#pragma once
// Shows the hourglass pointer over the program while an object of this class
// lives. Nested uses (a drop during a run) stack and unwind in order.

#include <QGuiApplication>

namespace app {

class BusyPointer {
  public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace app
