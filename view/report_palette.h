#pragma once
// The colours of the report figure: the five colour classes as five ordered
// steps of the viridis palette, lightest for the shallowest deposition, the
// nearest to the shore or the most porous, darkest for the other end; light
// grey layers when only time-lines are shown, the substrate below the
// initial surface, layers laid down at or above sea level (a brown outside
// viridis), and the sea-level curve.

#include <QColor>
#include <array>

#include "core/display_settings.h"

namespace vendrel {

// Viridis at 0, 0.25, 0.5, 0.75 and 1, from dark to light.
inline const std::array<QColor, 5> kViridisSteps = {QColor(68, 1, 84), QColor(59, 82, 139),
                                                    QColor(33, 145, 140), QColor(94, 201, 98),
                                                    QColor(253, 231, 37)};

inline const QColor kReportLayerGrey(206, 206, 206);
inline const QColor kReportSubstrate(232, 226, 214);
inline const QColor kReportSeaLevel(31, 119, 180);
inline const QColor kReportSubaerial(166, 97, 26);

// The colour of class 0..4 of a colour mode: depth and distance run from
// light (class 0, the smallest values) to dark, porosity from dark (the
// least porous) to light. Time-lines mode gives the layer grey.
QColor report_class_colour(ColourMode mode, int class_index);

}  // namespace vendrel
