#pragma once
// One whole project as the file holds it: the parameters and display
// settings, the column
// positions, every published horizon with its three attributes and the sea
// level of every published horizon. The writer formats it; the reader fills
// one before anything reaches the model.

#include <array>
#include <vector>

#include "core/display_settings.h"
#include "core/model_parameters.h"

namespace vendrel {

struct ModelState;

struct ProjectData {
    ModelParameters params;
    DisplaySettings display;
    int count = 0;  // published horizons N (slots 1..N)
    // x_values[c] for columns 1..2000 (index 0 unused).
    std::vector<double> x_values;
    // z, water depth, distance and porosity of column c, slot h at
    // [(c - 1) * count + (h - 1)]: the order of the file.
    std::vector<std::array<double, 4>> horizons;
    // sealevels[h] for slots 1..count (index 0 unused).
    std::vector<double> sealevels;
    // Years the results reach: the time of the last step a run took, or
    // after an Open the time of the newest horizon. Not in the file.
    double simulated_time = 0;

    const std::array<double, 4>& horizon(int column, int slot) const {
        return horizons[std::size_t(column - 1) * count + (slot - 1)];
    }
};

// The published horizons N (slots 1..N), limited to 0..500. The caller
// holds the model's guard.
int published_horizons(const ModelState& s);

// Slot h of column c as the file holds it: position (with any fault
// movement lent to readers), water depth, distance and porosity. The caller
// holds the model's guard.
std::array<double, 4> horizon_values(const ModelState& s, int c, int h);

// Copies the published part of the model. The caller holds the model's
// guard. A count outside 0..500 is limited to that range.
ProjectData take_project_snapshot(const ModelParameters& p, const DisplaySettings& display,
                                  const ModelState& s);

}  // namespace vendrel
