#pragma once
// Figures that sum up one run, computed from the project as saved (the
// newest published horizon N, slot 1 being the initial surface; z is depth
// below the top of the section, elevation = max_y - z; layers, hiatuses
// and subaerial layers as stratigraphy.h defines them):
//   shoreline x    the x of the seaward-most column (the largest x, the
//                  section deepening to the right as the initial ramp does)
//                  whose newest horizon lies at or above the newest sea
//                  level (z <= sea level, depths measured down); none when
//                  no column does
//   platform top   the highest elevation of deposited sediment: max of the
//                  newest horizon's elevation over the columns holding more
//                  than a hiatus between slot 1 and slot N (z[1] - z[N] >
//                  1 mm); none when no column does. The hinterland that
//                  never received sediment does not count.
//   sediment area  the area between the initial surface and the newest
//                  horizon: sum over the columns of (z[1] - z[N]) * dx,
//                  dx = max_x / 2000 (m^2; erosion counts negative)
//   mean porosity  thickness-weighted over every layer: layer h (2..N) lies
//                  between horizons h-1 and h, is max(0, z[h-1] - z[h])
//                  thick and has the porosity of slot h; none when no layer
//                  has thickness. Without compaction every layer keeps the
//                  porosity it was laid down with, phizero.
//   progradation   shoreline x minus the initial shoreline x: the
//                  seaward-most column of the initial surface the
//                  parameters describe at or above the sea level of time 0
//                  (baselevel); negative for a retreat; none when either
//                  shoreline is missing
//   aggradation    the rise of the shoreline over the run: the newest
//                  horizon's elevation at the final shoreline minus the
//                  initial surface's elevation at the initial shoreline;
//                  none when either is missing
//   platform margin height
//                  the relief seaward of the final shoreline: the newest
//                  horizon's elevation there minus its lowest elevation
//                  further seaward; none without a shoreline
//   carbonate volume
//                  the solid volume of the preserved sediment per metre
//                  along strike: sum over the layers of thickness x (1 -
//                  porosity) x dx (m^3 per m, written m2)
//   fraction subaerial, fraction hiatus
//                  the share of the layer cells (layers 2..N of every
//                  column) that are subaerial, and that are hiatuses; none
//                  when there is no layer
// The final sea level is the stored one of slot N (depth below the top).
//
// run_metric_table() lists the metrics in the order the summaries show
// them, each with its name (the --json key under "metrics", the column of
// a sweep's summary.csv) and its unit.

#include <optional>
#include <vector>

#include "document/project_data.h"

namespace vendrel {

struct RunMetrics {
    std::optional<double> final_sea_level;
    std::optional<double> shoreline_x;
    std::optional<double> platform_top;
    double sediment_area = 0;
    std::optional<double> mean_porosity;
    std::optional<double> progradation;
    std::optional<double> aggradation;
    std::optional<double> platform_margin_height;
    std::optional<double> carbonate_volume;
    std::optional<double> fraction_subaerial;
    std::optional<double> fraction_hiatus;
};

RunMetrics compute_run_metrics(const ProjectData& data);

struct RunMetricColumn {
    const char* name;
    const char* unit;  // as UDUNITS-2 reads it; "1" for a fraction
    std::optional<double> (*value)(const RunMetrics&);
};
const std::vector<RunMetricColumn>& run_metric_table();

}  // namespace vendrel
