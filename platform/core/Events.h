#pragma once

namespace platform {

// Lets long work yield to the window's event loop. The window installs a hook
// that processes pending events; elsewhere (engine tests, the command line)
// PumpEvents does nothing.
using PumpEventsHook = void (*)();

void SetPumpEventsHook(PumpEventsHook pHook);
void PumpEvents();

} // namespace platform
