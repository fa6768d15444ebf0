#include "core/display_settings.h"

namespace vendrel {

ColourMode colour_mode(const DisplaySettings& d) {
    if (d.draw_depthdepo == 1) {
        return ColourMode::Depth;
    }
    if (d.draw_distance == 1) {
        return ColourMode::Distance;
    }
    if (d.draw_porosity == 1) {
        return ColourMode::Porosity;
    }
    return ColourMode::TimeLines;
}

}  // namespace vendrel
