#pragma once
// The texts of a colour mode's legend: its title and one row per colour
// class, class 1 first, from the mode's thresholds T1..T4. Depth of
// deposition and distance from shoreline read "0.0 - T1 m", "T1  - T2 m",
// ..., "> T4 m" with one decimal; porosity the same with three decimals
// and no unit (the lower bound 0 of class 1 keeps one decimal).

#include <array>
#include <string>

#include "core/display_settings.h"

namespace vendrel {

struct ClassLegend {
    std::string title;
    std::array<std::string, 5> rows;
};

// Time-lines mode has no legend: an empty title and rows.
ClassLegend class_legend(ColourMode mode, const DisplaySettings& display);

}  // namespace vendrel
