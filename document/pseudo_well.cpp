#include "document/pseudo_well.h"

#include <algorithm>
#include <cmath>

#include "core/model_state.h"
#include "document/shortest_number.h"

namespace vendrel {

namespace {

[[noreturn]] void refuse(double x, double max_x) {
    throw WellOutsideSectionError("well at x = " + shortest(x) +
                                  " m is outside the section (0 to " + shortest(max_x) + " m)");
}

}  // namespace

void check_well_position(const ModelParameters& p, double x) {
    if (!(x >= 0.0 && x <= p.max_x)) {
        refuse(x, p.max_x);
    }
}

int well_column(const ProjectData& data, double x) {
    check_well_position(data.params, x);
    int best = 0;
    double best_distance = 0;
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        const double distance = std::fabs(data.x_values[std::size_t(c)] - x);
        // Strictly nearer only: a tie keeps the lower column.
        if (std::isfinite(distance) && (best == 0 || distance < best_distance)) {
            best = c;
            best_distance = distance;
        }
    }
    if (best == 0) {
        refuse(x, data.params.max_x);
    }
    return best;
}

std::vector<double> sorted_well_positions(std::vector<double> positions) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

PseudoWell make_pseudo_well(const Stratigraphy& section, double x) {
    PseudoWell well;
    well.x = x;
    well.column = well_column(section.data(), x);
    well.column_x = section.data().x_values[std::size_t(well.column)];
    const int c = well.column;
    for (int h = 1; h <= section.count(); ++h) {
        well.samples.push_back({
            .horizon = h,
            .time_kyr = section.time_kyr(h),
            .age_kyr = section.age_kyr(h),
            .z = section.z(c, h),
            .elevation = section.elevation(c, h),
            .burial_depth = section.burial_depth(c, h),
            .thickness = section.thickness(c, h),
            .depth_of_deposition = section.depth_of_deposition(c, h),
            .distance_from_shore = section.distance_from_shore(c, h),
            .porosity = section.porosity(c, h),
        });
    }
    return well;
}

}  // namespace vendrel
