#pragma once
// Where a window goes so that the user can reach it: a stored position may
// belong to a screen that is no longer attached.

#include <QRect>

#include <vector>

namespace app {

// True when the top strip of pFrame (where the caption bar is) lies far
// enough on one of pScreens (their available areas) to be grabbed.
bool ReachableOnScreens(const QRect& pFrame, const std::vector<QRect>& pScreens);

// pFrame unchanged when it is reachable and fits its screen; otherwise moved
// into the screen that shows it (or the nearest one when none does) and, when
// larger than that screen, cut to its size.
QRect PlaceOnScreens(const QRect& pFrame, const std::vector<QRect>& pScreens);

} // namespace app
