#pragma once
// Where a window goes so that the user can reach it: a stored position may
// belong to a screen that is no longer attached.

#include <QRect>

#include <vector>

class QWidget;

namespace app {

// True when the top strip of pFrame (where the caption bar is) lies far
// enough on one of pScreens (their available areas) to be grabbed.
bool ReachableOnScreens(const QRect& pFrame, const std::vector<QRect>& pScreens);

// pFrame unchanged when it is reachable and fits its screen; otherwise moved
// into the screen that shows it (or the nearest one when none does) and, when
// larger than that screen, cut to its size.
QRect PlaceOnScreens(const QRect& pFrame, const std::vector<QRect>& pScreens);

// pFrame moved (and cut where larger) wholly into the screen that shows most of it, or the
// nearest one.
QRect PlaceInside(const QRect& pFrame, const std::vector<QRect>& pScreens);

// For a window that PlaceOnScreens moved before it was shown: the frame the window manager
// puts round it is known only a little later. For the next seconds the window is moved
// wholly inside its screen whenever it moves or its activation changes, so that no edge of
// the frame stays off the screen.
void KeepInsideWhileFramed(QWidget* pWindow);

} // namespace app
