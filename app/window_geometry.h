#pragma once
// Where the main window opens: at (10, 10), 1824 x 968 device-independent
// pixels, when that fits the screen's available area. Otherwise the
// position is kept (moved inside the area when it lies outside it) and the
// window is cut to the area.

#include <QRect>

namespace vendrel {

inline constexpr QRect kMainWindowGeometry(10, 10, 1824, 968);

QRect fitToScreen(const QRect& wanted, const QRect& available);

}  // namespace vendrel
