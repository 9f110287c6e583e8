#include "platform/core/Events.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<PumpEventsHook> g_hook{nullptr};
}

void SetPumpEventsHook(PumpEventsHook pHook) {
    g_hook.store(pHook);
}

void PumpEvents() {
    if (PumpEventsHook hook = g_hook.load()) hook();
}

} // namespace platform
