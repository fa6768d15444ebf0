#pragma once
// The Display Mode and Model View toggles. The three colour modes behave
// as radio items with a way out: choosing the mode that is on switches to
// simple time-lines. Switching time-lines off brings back the colour mode
// that was on when they were switched on (saved_colour_mode: 1 depth of
// deposition, 2 distance from shoreline, 3 porosity).

#include <cstdint>

#include "core/display_settings.h"

namespace vendrel {

enum class ColourFlag { Depth, Distance, Porosity };

// 1 when the flag is 0, else 0.
inline std::int32_t flag_not(std::int32_t flag) {
    return flag == 0 ? 1 : 0;
}

void toggle_colour_mode(DisplaySettings& p, ColourFlag mode);
void toggle_time_lines(DisplaySettings& p, std::int32_t& saved_colour_mode);

}  // namespace vendrel
