#pragma once
// The platform margin (shelf break) of every recorded horizon and the
// sediment each horizon adds to the section.
//
//   Platform margin of horizon h: seaward of the horizon's shoreline
//     (shoreline_trajectory.h), the first column c, counted from the
//     shoreline's own column, whose slope down to the next column,
//     (z[c + 1] - z[c]) / (x[c + 1] - x[c]), exceeds kShelfBreakSlope; its
//     x is that column's x and its elevation the horizon's height above the
//     base there (max_y - z[c]). Missing without a shoreline, or where no
//     slope seaward of it is that steep.
//   Sediment supplied with horizon h (h >= 2): the area the layer between
//     horizons h - 1 and h adds to the section, sum over the columns of
//     (z[h - 1] - z[h]) x dx with dx = max_x / 2000 (m2, that is m3 per
//     metre along strike; erosion counts negative); missing for horizon 1
//     and where a value is not finite.

#include <vector>

#include "document/project_data.h"
#include "document/shoreline_trajectory.h"

namespace vendrel {

// The slope (m down per m seaward, about 2.9 degrees) that marks the shelf
// break.
inline constexpr double kShelfBreakSlope = 0.05;

struct MarginPoint {
    int column = 0;  // 0: no margin
    double x = 0;
    double elevation = 0;
};

// The margin of horizons 1..N at index h - 1, seaward of `shore` (the
// shorelines of the same horizons).
std::vector<MarginPoint> platform_margin(const ProjectData& data,
                                         const std::vector<ShorelinePoint>& shore);

// The sediment supplied with horizons 1..N at index h - 1 (NaN: missing).
std::vector<double> sediment_supplied(const ProjectData& data);

}  // namespace vendrel
