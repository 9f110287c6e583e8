// The Qt event pump yields on every call by default, at most once per interval when one is
// set, and always when asked to pump now.

#include "platform/gui/EventPump.h"
#include "controls/ControlsTestSupport.h"
#include "platform/core/Events.h"

#include <QCoreApplication>

namespace {

// Queues a call that counts into pCount when the event loop runs.
void QueueCount(int& pCount) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&pCount] { ++pCount; }, Qt::QueuedConnection);
}

} // namespace

TEST(QtEventPump, AnIntervalSkipsYieldsButPumpNowAlwaysRuns) {
    TestApp();
    platform::InstallQtEventPump();
    int runs = 0;
    QueueCount(runs);
    platform::PumpEvents();
    EXPECT_EQ(runs, 1);

    // An hour: the yields after a pump fall inside it for certain.
    platform::SetQtEventPumpInterval(3600 * 1000);
    platform::PumpQtEventsNow();
    QueueCount(runs);
    for (int i = 0; i < 5; ++i)
        platform::PumpEvents();
    EXPECT_EQ(runs, 1);
    platform::PumpQtEventsNow();
    EXPECT_EQ(runs, 2);

    platform::SetQtEventPumpInterval(0);
    QueueCount(runs);
    platform::PumpEvents();
    EXPECT_EQ(runs, 3);
    platform::SetPumpEventsHook(nullptr);
}
