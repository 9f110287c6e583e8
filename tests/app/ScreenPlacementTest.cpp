// Where a window with a stored place goes on the screens attached now.

#include "app/ScreenPlacement.h"

#include <gtest/gtest.h>

using app::PlaceOnScreens;
using app::ReachableOnScreens;

namespace {

// Two screens side by side, the right one smaller and lower.
const std::vector<QRect> kScreens = {QRect(0, 0, 1920, 1040), QRect(1920, 200, 1280, 960)};

} // namespace

TEST(ScreenPlacementTest, AWindowWhoseCaptionCanBeGrabbedStaysWhereItIs) {
    const QRect onLeft(100, 100, 800, 700);
    EXPECT_EQ(PlaceOnScreens(onLeft, kScreens), onLeft);
    // Across both screens, and mostly off the right edge of the right one.
    const QRect across(1500, 300, 800, 700);
    EXPECT_EQ(PlaceOnScreens(across, kScreens), across);
    const QRect hanging(3100, 300, 800, 700);
    EXPECT_TRUE(ReachableOnScreens(hanging, kScreens)); // 100 px of its caption show
    EXPECT_EQ(PlaceOnScreens(hanging, kScreens), hanging);
}

TEST(ScreenPlacementTest, AWindowOffEveryScreenGoesOntoTheNearestOne) {
    // Where a third screen used to be, right of the right one.
    EXPECT_EQ(PlaceOnScreens(QRect(4000, 400, 800, 700), kScreens), QRect(2400, 400, 800, 700));
    // Far above the left screen.
    EXPECT_EQ(PlaceOnScreens(QRect(300, -5000, 800, 700), kScreens), QRect(300, 0, 800, 700));
    // Below the right screen, which is lower than the left one.
    EXPECT_EQ(PlaceOnScreens(QRect(2000, 1500, 800, 700), kScreens), QRect(2000, 460, 800, 700));
}

TEST(ScreenPlacementTest, ACaptionThatCannotBeGrabbedCountsAsOff) {
    // The caption bar above the top of the screen, the rest of the window on it.
    const QRect captionAbove(100, -10, 800, 700);
    EXPECT_FALSE(ReachableOnScreens(captionAbove, kScreens));
    EXPECT_EQ(PlaceOnScreens(captionAbove, kScreens), QRect(100, 0, 800, 700));
    // Only a sliver of the caption shows at the right edge of the right screen.
    EXPECT_FALSE(ReachableOnScreens(QRect(3190, 300, 800, 700), kScreens));
    // In the gap under the left screen where the right one reaches lower.
    EXPECT_FALSE(ReachableOnScreens(QRect(100, 1100, 800, 700), kScreens));
}

TEST(ScreenPlacementTest, AWindowLargerThanItsScreenIsCutToIt) {
    EXPECT_EQ(PlaceOnScreens(QRect(2000, 250, 1500, 1200), kScreens), QRect(1920, 200, 1280, 960));
    EXPECT_EQ(PlaceOnScreens(QRect(-9000, -9000, 3000, 3000), kScreens), QRect(0, 0, 1920, 1040));
}

TEST(ScreenPlacementTest, NoScreensLeaveTheWindowAlone) {
    EXPECT_EQ(PlaceOnScreens(QRect(-500, -500, 800, 700), {}), QRect(-500, -500, 800, 700));
}

TEST(ScreenPlacementTest, AFramedWindowMovedInLiesWhollyInsideItsScreen) {
    // Placed without its frame at the bottom right corner: the frame's edges stand off.
    EXPECT_EQ(app::PlaceInside(QRect(750, 337, 531, 568), {QRect(0, 0, 1280, 900)}),
              QRect(749, 332, 531, 568));
    // On the screen that shows most of it, cut to that screen; inside already: unchanged.
    EXPECT_EQ(app::PlaceInside(QRect(1800, 100, 400, 1200), kScreens), QRect(1920, 200, 400, 960));
    EXPECT_EQ(app::PlaceInside(QRect(100, 100, 800, 700), kScreens), QRect(100, 100, 800, 700));
    EXPECT_EQ(app::PlaceInside(QRect(9000, 9000, 300, 200), kScreens), QRect(2900, 960, 300, 200));
}
