#include "platform/core/Events.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<PumpEventsHook> g_hook{nullptr};
}

void SetPumpEventsHook(PumpEventsHook hook) { g_hook.store(hook); }

void PumpEvents() {
    if (PumpEventsHook hook = g_hook.load()) hook();
}

} // namespace platform
