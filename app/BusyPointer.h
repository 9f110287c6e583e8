#pragma once
// Shows the hourglass pointer (or the given busy shape) over the program while an object of
// this class lives. Nested uses (a drop during a run) stack and unwind in order.

#include <QCursor>
#include <QGuiApplication>

namespace app {

class BusyPointer {
  public:
    explicit BusyPointer(Qt::CursorShape pShape = Qt::WaitCursor) {
        QGuiApplication::setOverrideCursor(QCursor(pShape));
    }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace app
