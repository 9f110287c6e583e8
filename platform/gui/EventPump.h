#pragma once

namespace platform {

// Makes platform::PumpEvents() process the pending events of the Qt event loop,
// so that long work on the GUI thread keeps the window responsive.
void InstallQtEventPump();

} // namespace platform
