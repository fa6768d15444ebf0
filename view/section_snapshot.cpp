#include "view/section_snapshot.h"

#include <algorithm>

#include "document/project.h"

namespace vendrel {

namespace {

const HorizonArray* attribute_of(ColourMode mode, const ModelState& s) {
    switch (mode) {
        case ColourMode::Depth:
            return &s.horizon_depth;
        case ColourMode::Distance:
            return &s.horizon_distance;
        case ColourMode::Porosity:
            return &s.horizon_porosity;
        case ColourMode::TimeLines:
            break;
    }
    return nullptr;
}

// Copies slots 1..count of every column, horizon by horizon.
void copy_by_horizon(const HorizonArray& from, int count, std::vector<double>& to) {
    to.assign(std::size_t(count) * COLUMN_SLOTS, 0.0);
    for (int j = 1; j <= COLUMN_COUNT; ++j) {
        const double* column = from[j];
        for (int h = 1; h <= count; ++h) {
            to[std::size_t(h - 1) * COLUMN_SLOTS + j] = column[h];
        }
    }
}

}  // namespace

SectionSnapshot take_section_snapshot(const ModelParameters& p, const DisplaySettings& display,
                                      const ModelState& s, bool for_print) {
    SectionSnapshot snap;
    snap.params = p;
    snap.display = display;
    snap.running = s.flags.running.load() == 1;
    snap.count = std::clamp(s.published_count(), 0, MAX_HORIZON_SLOT);
    snap.x_values.assign(s.x_values.data(), s.x_values.data() + COLUMN_SLOTS);
    copy_by_horizon(s.horizon_z, snap.count, snap.z);
    ColourMode mode = colour_mode(display);
    if (for_print && (mode == ColourMode::TimeLines || mode == ColourMode::Porosity)) {
        mode = ColourMode::Porosity;
    }
    if (const HorizonArray* attribute = attribute_of(mode, s)) {
        copy_by_horizon(*attribute, snap.count, snap.attribute);
    }
    snap.current_sea_level = s.current_sea_level;
    snap.sim_time = s.sim_time;
    snap.dx = s.dx.load();
    snap.dt = s.dt.load();
    std::copy(std::begin(s.sealevel_values), std::end(s.sealevel_values), snap.sealevels.begin());
    snap.sealevel_min = s.sealevel_min;
    snap.sealevel_max = s.sealevel_max;
    snap.increment_count = std::clamp(s.increment_count, 0, MAX_HORIZON_SLOT);
    return snap;
}

SectionSnapshot take_section_snapshot(Project& project, bool for_print) {
    const Simulation::ReadGuard model = project.simulation().read();
    return take_section_snapshot(model.params(), project.display(), model.state(), for_print);
}

}  // namespace vendrel
