#pragma once
// Window set-up and row filling run as small independent steps: one that fails is skipped
// so that the rest still happens.

#include "services/core/ErrorLog.h"

namespace app {

// Runs one step; a fault inside skips it, unless ErrorCatch asks for faults to surface.
template <class F> void SkipFailingStep(F&& pStep) {
    CatchUnlessDebugging(
        [&] {
            pStep();
            return 0;
        },
        0);
}

} // namespace app
