#include "platform/core/Events.h"

#include <gtest/gtest.h>

namespace {
int g_calls = 0;
void CountCall() {
    ++g_calls;
}
} // namespace

TEST(PumpEvents, CallsTheInstalledHookAndNothingWithout) {
    g_calls = 0;
    platform::PumpEvents();
    EXPECT_EQ(g_calls, 0);
    platform::SetPumpEventsHook(&CountCall);
    platform::PumpEvents();
    platform::PumpEvents();
    EXPECT_EQ(g_calls, 2);
    platform::SetPumpEventsHook(nullptr);
    platform::PumpEvents();
    EXPECT_EQ(g_calls, 2);
}
