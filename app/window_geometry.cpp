#include "app/window_geometry.h"

#include <algorithm>

namespace vendrel {

QRect fitToScreen(const QRect& wanted, const QRect& available) {
    if (available.isEmpty() || available.contains(wanted)) {
        return wanted;
    }
    QPoint at = wanted.topLeft();
    if (!available.contains(at)) {
        at.setX(std::clamp(at.x(), available.left(), available.right()));
        at.setY(std::clamp(at.y(), available.top(), available.bottom()));
    }
    const int width = std::min(wanted.width(), available.left() + available.width() - at.x());
    const int height = std::min(wanted.height(), available.top() + available.height() - at.y());
    return QRect(at, QSize(width, height));
}

}  // namespace vendrel
