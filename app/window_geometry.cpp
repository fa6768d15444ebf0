#include "app/window_geometry.h"

#include <algorithm>
#include <cmath>

namespace vendrel {

namespace {

// The length, at most `length`, that a window from `start` may have on a
// screen scaled by `ratio` without passing `end` in screen pixels.
int fitLength(int start, int length, int end, double ratio) {
    auto pixels = [ratio](int n) { return std::lround(n * ratio); };
    while (length > 1 && pixels(start) + pixels(length) > pixels(end)) {
        --length;
    }
    return length;
}

}  // namespace

QRect fitToScreen(const QRect& wanted, const QRect& available, double ratio) {
    if (available.isEmpty()) {
        return wanted;
    }
    if (!(ratio > 0)) {
        ratio = 1;
    }
    QPoint at = wanted.topLeft();
    if (!available.contains(at)) {
        at.setX(std::clamp(at.x(), available.left(), available.right()));
        at.setY(std::clamp(at.y(), available.top(), available.bottom()));
    }
    const int right = available.left() + available.width();
    const int bottom = available.top() + available.height();
    const int width = std::min(wanted.width(), right - at.x());
    const int height = std::min(wanted.height(), bottom - at.y());
    return QRect(at, QSize(fitLength(at.x(), width, right, ratio),
                           fitLength(at.y(), height, bottom, ratio)));
}

}  // namespace vendrel
