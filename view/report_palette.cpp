#include "view/report_palette.h"

#include <algorithm>

namespace vendrel {

QColor report_class_colour(ColourMode mode, int class_index) {
    const int c = std::clamp(class_index, 0, 4);
    switch (mode) {
        case ColourMode::Depth:
        case ColourMode::Distance:
            return kViridisSteps[std::size_t(4 - c)];
        case ColourMode::Porosity:
            return kViridisSteps[std::size_t(c)];
        case ColourMode::TimeLines:
            break;
    }
    return kReportLayerGrey;
}

}  // namespace vendrel
