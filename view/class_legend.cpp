#include "view/class_legend.h"

#include "document/number_format.h"
#include "view/class_colours.h"

namespace vendrel {

ClassLegend class_legend(ColourMode mode, const DisplaySettings& display) {
    ClassLegend legend;
    switch (mode) {
        case ColourMode::Depth:
            legend.title = "Depth of Deposition";
            break;
        case ColourMode::Distance:
            legend.title = "Distance from Shoreline";
            break;
        case ColourMode::Porosity:
            legend.title = "Porosity";
            break;
        case ColourMode::TimeLines:
            return legend;
    }
    const Thresholds t = thresholds_of(mode, display);
    const bool porosity = mode == ColourMode::Porosity;
    const int decimals = porosity ? 3 : 1;
    const std::string unit = porosity ? "" : " m";
    auto fixed = [decimals](double v) { return format_fixed(v, 4, decimals); };
    legend.rows = {
        format_fixed(0, 4, 1) + " - " + fixed(t[0]) + unit,
        fixed(t[0]) + "  - " + fixed(t[1]) + unit,
        fixed(t[1]) + "  - " + fixed(t[2]) + unit,
        fixed(t[2]) + "  - " + fixed(t[3]) + unit,
        "> " + fixed(t[3]) + unit,
    };
    return legend;
}

}  // namespace vendrel
