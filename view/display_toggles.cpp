#include "view/display_toggles.h"

namespace vendrel {

void toggle_colour_mode(DisplaySettings& p, ColourFlag mode) {
    std::int32_t* flags[3] = {&p.draw_depthdepo, &p.draw_distance, &p.draw_porosity};
    const int chosen = static_cast<int>(mode);
    const std::int32_t old = *flags[chosen];
    for (int k = 0; k < 3; ++k) {
        *flags[k] = k == chosen ? flag_not(old) : 0;
    }
    p.draw_simple = old != 0 ? 1 : 0;
}

void toggle_time_lines(DisplaySettings& p, std::int32_t& saved_colour_mode) {
    if (p.draw_simple != 0) {
        p.draw_simple = 0;
        if (saved_colour_mode == 1) {
            p.draw_depthdepo = 1;
        } else if (saved_colour_mode == 2) {
            p.draw_distance = 1;
        } else if (saved_colour_mode == 3) {
            p.draw_porosity = 1;
        }
        return;
    }
    if (p.draw_depthdepo != 0) {
        saved_colour_mode = 1;
    }
    if (p.draw_distance != 0) {
        saved_colour_mode = 2;
    }
    if (p.draw_porosity != 0) {
        saved_colour_mode = 3;
    }
    p.draw_simple = 1;
    p.draw_depthdepo = 0;
    p.draw_distance = 0;
    p.draw_porosity = 0;
}

}  // namespace vendrel
