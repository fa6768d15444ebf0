#include "cli/run_metrics.h"

#include <algorithm>
#include <cmath>

#include "core/model_state.h"
#include "document/stratigraphy.h"

namespace vendrel {

RunMetrics compute_run_metrics(const ProjectData& data) {
    RunMetrics m;
    const int n = data.count;
    if (n < 1) {
        return m;
    }
    const double sea = data.sealevels[std::size_t(n)];
    const double dx = data.params.max_x / COLUMN_COUNT;
    m.final_sea_level = sea;
    double thickness = 0;
    double pore_thickness = 0;
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        const double top = data.horizon(c, n)[0];
        if (top <= sea) {
            m.shoreline_x = data.x_values[std::size_t(c)];
        }
        const double elevation = data.params.max_y - top;
        m.platform_top = m.platform_top ? std::max(*m.platform_top, elevation) : elevation;
        m.sediment_area += (data.horizon(c, 1)[0] - top) * dx;
        for (int h = 2; h <= n; ++h) {
            const double t = layer_thickness(data.horizon(c, h - 1)[0], data.horizon(c, h)[0]);
            if (!std::isfinite(t)) {
                continue;  // an undefined layer weighs nothing
            }
            thickness += t;
            pore_thickness += t * data.horizon(c, h)[3];
        }
    }
    if (thickness > 0) {
        m.mean_porosity = pore_thickness / thickness;
    }
    return m;
}

}  // namespace vendrel
