#pragma once
// Figures that sum up one run, computed from the project as saved (the
// newest published horizon N, slot 1 being the initial surface):
//   shoreline x    the x of the seaward-most column (the largest x, the
//                  section deepening to the right as the initial ramp does)
//                  whose newest horizon lies at or above the newest sea
//                  level (z <= sea level, depths measured down); none when
//                  no column does
//   platform top   the highest elevation above the base of the newest
//                  horizon: max over the columns of (max_y - z)
//   sediment area  the area between the initial surface and the newest
//                  horizon: sum over the columns of (z[1] - z[N]) * dx,
//                  dx = max_x / 2000 (m^2; erosion counts negative)
//   mean porosity  thickness-weighted over every layer: layer h (2..N) lies
//                  between horizons h-1 and h, is max(0, z[h-1] - z[h])
//                  thick and has the porosity of slot h; none when no layer
//                  has thickness
// The final sea level is the stored one of slot N (depth below the top).

#include <optional>

#include "document/project_data.h"

namespace vendrel {

struct RunMetrics {
    std::optional<double> final_sea_level;
    std::optional<double> shoreline_x;
    std::optional<double> platform_top;
    double sediment_area = 0;
    std::optional<double> mean_porosity;
};

RunMetrics compute_run_metrics(const ProjectData& data);

}  // namespace vendrel
