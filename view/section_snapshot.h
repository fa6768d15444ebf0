#pragma once
// What one picture of the section needs, copied from the model at one
// moment between two time steps, so that a paint never reads values the
// engine is writing.
//
// A snapshot kept from one picture to the next (the window's) is brought up
// to date rather than taken anew: only the horizon slots the model marks as
// changed since the last copy (core/slot_changes.h) are copied again, and
// every slot after a reset, a load, a change of model or of colour mode.
// The result is the same, value for value, as a fresh copy; a fresh copy is
// the same routine starting from an empty snapshot.

#include <array>
#include <cstdint>
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
    // Where the copy stands: the model it was taken from, the model's change
    // version at that moment (0: nothing taken) and the attribute's mode.
    std::uint64_t model_id = 0;
    std::uint64_t model_version = 0;
    ColourMode attribute_mode = ColourMode::TimeLines;

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

// Brings `snapshot` up to date with the model, copying only the slots that
// changed since it was last taken or brought up to date. The caller holds
// the model's guard. Returns the lowest slot copied (count + 1: none).
int update_section_snapshot(SectionSnapshot& snapshot, const ModelParameters& p,
                            const DisplaySettings& display, const ModelState& s,
                            bool for_print = false);
// The same of a project, while its run is paused between two steps; for a
// copy kept through a run, room for every slot is taken first, before the
// run is paused.
int update_section_snapshot(SectionSnapshot& snapshot, Project& project, bool for_print = false);

}  // namespace vendrel
