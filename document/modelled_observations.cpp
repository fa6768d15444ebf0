#include "document/modelled_observations.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "document/pseudo_well.h"

namespace vendrel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

ModelledObservations::ModelledObservations(const ProjectData& data)
    : data_(data), section_(data), shorelines_(shoreline_trajectory(data)) {
    age_limit_kyr_ = std::max(oldest_age_kyr(), double(std::max(section_.count() - 1, 0)) *
                                                    data.params.display_inc / 1000.0);
}

double ModelledObservations::oldest_age_kyr() const {
    return section_.count() >= 1 ? section_.age_kyr(1) : 0.0;
}

template <typename Value>
double ModelledObservations::interpolate(double age_kyr, int first, Value at) const {
    const int n = section_.count();
    if (n < first || !(age_kyr >= 0) || !(age_kyr <= age_limit_kyr_)) {
        return kNaN;
    }
    age_kyr = std::min(age_kyr, section_.age_kyr(1));
    // Ages fall from horizon 1 to 0 at horizon n: the first horizon no
    // older than the age, and the one before it.
    int h = 1;
    while (h < n && section_.age_kyr(h) > age_kyr) {
        ++h;
    }
    if (h <= first || section_.age_kyr(h) == age_kyr) {
        return at(std::max(h, first));
    }
    const double older = section_.age_kyr(h - 1);
    const double younger = section_.age_kyr(h);
    const double f = (older - age_kyr) / (older - younger);
    return at(h - 1) + f * (at(h) - at(h - 1));
}

double ModelledObservations::elevation(int column, double age_kyr) const {
    return interpolate(age_kyr, 1, [&](int h) { return section_.elevation(column, h); });
}

double ModelledObservations::value(const Observation& o) const {
    double v = kNaN;
    if (o.quantity == ObservedQuantity::ShorelineX) {
        v = interpolate(o.age_kyr, 1, [&](int h) {
            const ShorelinePoint& p = shorelines_[std::size_t(h - 1)];
            return p.column > 0 ? p.x : kNaN;
        });
        return std::isfinite(v) ? v : kNaN;
    }
    if (data_.count < 1 || !(o.well_x >= 0 && o.well_x <= data_.params.max_x)) {
        return kNaN;
    }
    const int column = well_column(data_, o.well_x);
    switch (o.quantity) {
        case ObservedQuantity::Elevation:
            v = elevation(column, o.age_kyr);
            break;
        case ObservedQuantity::Thickness:
            v = std::max(0.0, elevation(column, o.age_to_kyr) - elevation(column, o.age_kyr));
            if (std::isnan(elevation(column, o.age_kyr)) ||
                std::isnan(elevation(column, o.age_to_kyr))) {
                v = kNaN;
            }
            break;
        case ObservedQuantity::DepthOfDeposition:
            v = interpolate(o.age_kyr, 2,
                            [&](int h) { return section_.depth_of_deposition(column, h); });
            break;
        case ObservedQuantity::Porosity:
            v = interpolate(o.age_kyr, 2, [&](int h) { return section_.porosity(column, h); });
            break;
        case ObservedQuantity::ShorelineX:
            break;
    }
    return std::isfinite(v) ? v : kNaN;
}

std::vector<double> ModelledObservations::values(const std::vector<Observation>& data) const {
    std::vector<double> out;
    out.reserve(data.size());
    for (const Observation& o : data) {
        out.push_back(value(o));
    }
    return out;
}

}  // namespace vendrel
