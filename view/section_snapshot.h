#pragma once
// What one picture of the section needs, copied from the model at one
// moment between two time steps, so that a paint never reads values the
// engine is writing.

#include <array>
#include <vector>

#include "core/display_settings.h"
#include "core/model_parameters.h"
#include "core/model_state.h"

namespace vendrel {

class Project;

struct SectionSnapshot {
    ModelParameters params;
    DisplaySettings display;
    bool running = false;
    int count = 0;                 // published horizons, slots 1..count
    std::vector<double> x_values;  // columns 1..2000
    // Horizon h of column j at [(h - 1) * COLUMN_SLOTS + j]: position, and
    // the attribute of the colour mode (none in time-lines mode).
    std::vector<double> z;
    std::vector<double> attribute;
    double current_sea_level = 0;
    double sim_time = 0;
    double dx = 0;                                  // column spacing, m
    double dt = 0;                                  // time step, years
    std::array<double, HORIZON_SLOTS> sealevels{};  // slots 0..500
    double sealevel_min = 0;
    double sealevel_max = 0;
    int increment_count = 0;

    const double* horizon_z(int h) const { return z.data() + std::size_t(h - 1) * COLUMN_SLOTS; }
    const double* horizon_attribute(int h) const {
        return attribute.data() + std::size_t(h - 1) * COLUMN_SLOTS;
    }
};

// The caller holds the model's guard. For the print path the attribute
// outside the depth and distance modes is the porosity.
SectionSnapshot take_section_snapshot(const ModelParameters& p, const DisplaySettings& display,
                                      const ModelState& s, bool for_print = false);
// The same of a project, copied while its run is paused between two steps.
SectionSnapshot take_section_snapshot(Project& project, bool for_print = false);

}  // namespace vendrel
