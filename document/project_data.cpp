#include "document/project_data.h"

#include <algorithm>

#include "core/model_state.h"

namespace vendrel {

int published_horizons(const ModelState& s) {
    return std::clamp(s.published_count(), 0, MAX_HORIZON_SLOT);
}

std::array<double, 4> horizon_values(const ModelState& s, int c, int h) {
    return {s.horizon_position(c, h), s.horizon_depth[c][h], s.horizon_distance[c][h],
            s.horizon_porosity[c][h]};
}

ProjectData take_project_snapshot(const ModelParameters& p, const DisplaySettings& display,
                                  const ModelState& s) {
    ProjectData d;
    d.params = p;
    d.display = display;
    d.count = published_horizons(s);
    d.x_values.assign(s.x_values.data(), s.x_values.data() + COLUMN_SLOTS);
    // Reserved, not resized: the values are written once, not zeroed first.
    d.horizons.reserve(std::size_t(COLUMN_COUNT) * d.count);
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        for (int h = 1; h <= d.count; ++h) {
            d.horizons.push_back(horizon_values(s, c, h));
        }
    }
    d.sealevels.assign(s.sealevel_values, s.sealevel_values + d.count + 1);
    d.simulated_time = s.sim_time;
    return d;
}

}  // namespace vendrel
