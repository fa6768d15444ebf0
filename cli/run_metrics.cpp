#include "cli/run_metrics.h"

#include <algorithm>
#include <cmath>

#include "core/model_state.h"
#include "document/stratigraphy.h"

namespace vendrel {

namespace {

// The seaward-most column whose z lies at or above sea level (z <= sea):
// 0 when none does.
template <class ZOf>
int shoreline_column(double sea, ZOf z_of) {
    int shore = 0;
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        if (z_of(c) <= sea) {
            shore = c;
        }
    }
    return shore;
}

}  // namespace

RunMetrics compute_run_metrics(const ProjectData& data) {
    RunMetrics m;
    const int n = data.count;
    if (n < 1) {
        return m;
    }
    const double max_y = data.params.max_y;
    const double sea = data.sealevels[std::size_t(n)];
    const double dx = data.params.max_x / COLUMN_COUNT;
    m.final_sea_level = sea;
    double thickness = 0;
    double pore_thickness = 0;
    double solid = 0;
    long long cells = 0, subaerial = 0, hiatuses = 0;
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        const double top = data.horizon(c, n)[0];
        const double elevation = max_y - top;
        if (layer_thickness(data.horizon(c, 1)[0], top) > kHiatusThickness) {
            m.platform_top = m.platform_top ? std::max(*m.platform_top, elevation) : elevation;
        }
        m.sediment_area += (data.horizon(c, 1)[0] - top) * dx;
        for (int h = 2; h <= n; ++h) {
            const auto& layer = data.horizon(c, h);
            const double t = layer_thickness(data.horizon(c, h - 1)[0], layer[0]);
            if (!std::isfinite(t)) {
                continue;  // an undefined layer weighs nothing
            }
            thickness += t;
            pore_thickness += t * layer[3];
            solid += t * (1 - layer[3]) * dx;
            ++cells;
            hiatuses += hiatus_flag(t) == 1;
            subaerial += subaerial_flag(layer[1], t) == 1;
        }
    }
    if (thickness > 0) {
        m.mean_porosity = pore_thickness / thickness;
    }
    if (cells > 0) {
        m.carbonate_volume = solid;
        m.fraction_subaerial = double(subaerial) / double(cells);
        m.fraction_hiatus = double(hiatuses) / double(cells);
    }

    const int shore = shoreline_column(sea, [&](int c) { return data.horizon(c, n)[0]; });
    if (shore == 0) {
        return m;
    }
    m.shoreline_x = data.x_values[std::size_t(shore)];
    const double shore_elevation = max_y - data.horizon(shore, n)[0];
    double lowest = shore_elevation;
    for (int c = shore + 1; c <= COLUMN_COUNT; ++c) {
        lowest = std::min(lowest, max_y - data.horizon(c, n)[0]);
    }
    m.platform_margin_height = shore_elevation - lowest;
    const std::vector<double> initial = initial_surface_z(data.params);
    const int first_shore =
        shoreline_column(data.params.baselevel, [&](int c) { return initial[std::size_t(c)]; });
    if (first_shore != 0) {
        m.progradation = *m.shoreline_x - data.x_values[std::size_t(first_shore)];
        m.aggradation = shore_elevation - (max_y - initial[std::size_t(first_shore)]);
    }
    return m;
}

const std::vector<RunMetricColumn>& run_metric_table() {
    static const std::vector<RunMetricColumn> table = {
        {"shoreline_x", "m", [](const RunMetrics& m) { return m.shoreline_x; }},
        {"platform_top", "m", [](const RunMetrics& m) { return m.platform_top; }},
        {"sediment_area", "m2",
         [](const RunMetrics& m) { return std::optional<double>(m.sediment_area); }},
        {"mean_porosity", "1", [](const RunMetrics& m) { return m.mean_porosity; }},
        {"progradation", "m", [](const RunMetrics& m) { return m.progradation; }},
        {"aggradation", "m", [](const RunMetrics& m) { return m.aggradation; }},
        {"platform_margin_height", "m",
         [](const RunMetrics& m) { return m.platform_margin_height; }},
        {"carbonate_volume", "m2", [](const RunMetrics& m) { return m.carbonate_volume; }},
        {"fraction_subaerial", "1", [](const RunMetrics& m) { return m.fraction_subaerial; }},
        {"fraction_hiatus", "1", [](const RunMetrics& m) { return m.fraction_hiatus; }},
    };
    return table;
}

}  // namespace vendrel
