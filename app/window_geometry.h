#pragma once
// Where the main window opens: at (10, 10), 1824 x 968 device-independent
// pixels, when that fits the screen's available area. Otherwise the
// position is kept (moved inside the area when it lies outside it) and the
// window is cut to the area.

#include <QRect>

namespace vendrel {

inline constexpr QRect kMainWindowGeometry(10, 10, 1824, 968);

// On a screen scaled by `ratio` the window lies at round(x x ratio) and is
// round(width x ratio) screen pixels wide (and so for y and the height):
// where the two roundings would carry it a pixel past the area's edge, it
// is cut a pixel more.
QRect fitToScreen(const QRect& wanted, const QRect& available, double ratio = 1.0);

}  // namespace vendrel
