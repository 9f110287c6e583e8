#include "platform/gui/EventPump.h"

#include "platform/core/Events.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace platform {

namespace {
// The pump runs on the GUI thread only.
int g_intervalMs = 0;
QElapsedTimer g_sincePumped;

void ProcessPendingEvents() {
    // Jobs measured on a worker thread yield nothing: the window's events are its own thread's.
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) return;
    if (g_intervalMs > 0 && g_sincePumped.isValid() && g_sincePumped.elapsed() < g_intervalMs)
        return;
    PumpQtEventsNow();
}
} // namespace

void InstallQtEventPump() {
    SetPumpEventsHook(&ProcessPendingEvents);
}

void SetQtEventPumpInterval(int pMs) {
    g_intervalMs = pMs > 0 ? pMs : 0;
}

void PumpQtEventsNow() {
    g_sincePumped.start();
    QCoreApplication::processEvents();
}

} // namespace platform
