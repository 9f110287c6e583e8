#include "platform/gui/EventPump.h"

#include "platform/core/Events.h"

#include <QCoreApplication>

namespace platform {

namespace {
void ProcessPendingEvents() {
    QCoreApplication::processEvents();
}
} // namespace

void InstallQtEventPump() {
    SetPumpEventsHook(&ProcessPendingEvents);
}

} // namespace platform
