#pragma once
// The five colour classes of the horizons, their legend swatches and the
// overlays, and the class of an attribute value against four thresholds.

#include <QColor>
#include <array>

#include "view/section_snapshot.h"

namespace vendrel {

inline const std::array<QColor, 5> kClassColours = {QColor(255, 0, 0), QColor(0, 0, 255),
                                                    QColor(0, 255, 0), QColor(155, 30, 125),
                                                    QColor(155, 155, 40)};

// Layers laid down at or above sea level, in the figures that show them as
// a class of their own (the Wheeler diagram): a land brown none of the
// classes uses.
inline const QColor kSubaerialColour(205, 133, 63);

using Thresholds = std::array<double, 4>;

// The thresholds T1..T4 of a colour mode (zeros in time-lines mode).
Thresholds thresholds_of(ColourMode mode, const DisplaySettings& p);

// Class 0..4 of value v: the first of v <= T1, v <= T2, v <= T3, v <= T4
// that holds, else the last class (also for NaN).
inline int class_of(double v, const Thresholds& t) {
    for (int k = 0; k < 4; ++k) {
        if (v <= t[k]) {
            return k;
        }
    }
    return 4;
}

}  // namespace vendrel
