#include "document/pseudo_well.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/model_state.h"
#include "document/shortest_number.h"

namespace vendrel {

namespace {

using Values = std::array<double, 4>;  // z, depth of deposition, distance, porosity

// The log of column c at column_x, asked for at x, from the values of its
// horizons 1..N (N = the number of times), oldest first.
template <class ValuesOf>
PseudoWell column_well(double x, int c, double column_x, const std::vector<double>& times,
                       const std::vector<double>& ages, double max_y, ValuesOf values_of) {
    PseudoWell well{.x = x, .column = c, .column_x = column_x, .samples = {}};
    const int count = int(times.size());
    well.samples.reserve(times.size());
    const double newest = count >= 1 ? values_of(count)[0] : 0.0;
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    double below = kNaN;
    double depth_below = kNaN;
    for (int h = 1; h <= count; ++h) {
        const Values v = values_of(h);
        const double created = (below - v[0]) + (v[1] - depth_below);
        // Horizon 1 has no layer, so none of a layer's attributes.
        const bool layer = h >= 2;
        well.samples.push_back({
            .horizon = h,
            .time_kyr = times[std::size_t(h - 1)],
            .age_kyr = ages[std::size_t(h - 1)],
            .z = v[0],
            .elevation = elevation_of(max_y, v[0]),
            .burial_depth = burial_depth_of(v[0], newest),
            .thickness = layer ? layer_thickness(below, v[0]) : kNaN,
            .depth_of_deposition = layer ? v[1] : kNaN,
            .distance_from_shore = layer ? v[2] : kNaN,
            .porosity = layer ? v[3] : kNaN,
            .accommodation_created =
                h >= 3 && depth_below > 0 && v[1] > 0 && std::isfinite(created) ? created : kNaN,
        });
        below = v[0];
        depth_below = v[1];
    }
    return well;
}

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

int well_column(const ModelParameters& p, const double* x_values, double x) {
    check_well_position(p, x);
    int best = 0;
    double best_distance = 0;
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        const double distance = std::fabs(x_values[c] - x);
        // Strictly nearer only: a tie keeps the lower column.
        if (std::isfinite(distance) && (best == 0 || distance < best_distance)) {
            best = c;
            best_distance = distance;
        }
    }
    if (best == 0) {
        refuse(x, p.max_x);
    }
    return best;
}

int well_column(const ProjectData& data, double x) {
    return well_column(data.params, data.x_values.data(), x);
}

std::vector<double> sorted_well_positions(std::vector<double> positions) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

PseudoWell make_pseudo_well(const Stratigraphy& section, double x) {
    const int c = well_column(section.data(), x);
    return column_well(x, c, section.data().x_values[std::size_t(c)], section.times_kyr(),
                       section.ages_kyr(), section.max_y(), [&](int h) -> Values {
                           return {section.z(c, h), section.depth_of_deposition(c, h),
                                   section.distance_from_shore(c, h), section.porosity(c, h)};
                       });
}

PseudoWell read_pseudo_well(const ModelParameters& p, const ModelState& s, double x) {
    const int c = well_column(p, s.x_values.data(), x);
    const std::vector<double> times = horizon_times_kyr(p, published_horizons(s));
    return column_well(x, c, s.x_values[std::size_t(c)], times, horizon_ages_kyr(times), p.max_y,
                       [&](int h) { return horizon_values(s, c, h); });
}

}  // namespace vendrel
