#pragma once

namespace platform {

// Makes platform::PumpEvents() process the pending events of the Qt event loop,
// so that long work on the GUI thread keeps the window responsive.
void InstallQtEventPump();

// While pMs > 0, the installed pump processes the pending events only when pMs milliseconds
// have passed since it last did: work may yield far more often than a window needs to answer.
// 0 (the default) processes them on every call.
void SetQtEventPumpInterval(int pMs);

// Processes the pending events now, whatever the interval.
void PumpQtEventsNow();

} // namespace platform
