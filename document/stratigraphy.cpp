#include "document/stratigraphy.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/initial_geometry.h"
#include "core/int_conversion.h"
#include "core/model_state.h"
#include "core/time_step.h"

namespace vendrel {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

double recording_interval_years(const ModelParameters& p) {
    const double dt = derive_dt(derive_dx(p), p.diff_coeff);
    const std::int32_t steps_per_record = truncate_to_int32(p.display_inc / dt);
    if (steps_per_record < 1) {
        return kNaN;
    }
    return double(steps_per_record) * dt;
}

std::vector<double> horizon_times_kyr(const ModelParameters& p, int count) {
    std::vector<double> times(std::size_t(std::max(count, 0)));
    const double interval = recording_interval_years(p);
    for (int h = 1; h <= count; ++h) {
        // The initial surface is at time 0 whatever the run records.
        times[std::size_t(h - 1)] = h == 1 ? 0.0 : double(h - 1) * interval / 1000.0;
    }
    return times;
}

std::vector<double> horizon_ages_kyr(const std::vector<double>& times_kyr) {
    std::vector<double> ages(times_kyr.size());
    if (!times_kyr.empty()) {
        const double newest = times_kyr.back();
        for (std::size_t k = 0; k < times_kyr.size(); ++k) {
            ages[k] = newest - times_kyr[k];
        }
    }
    return ages;
}

double layer_thickness(double z_below, double z_above) {
    const double t = z_below - z_above;
    if (!std::isfinite(t)) {
        return kNaN;
    }
    return t > 0.0 ? t : 0.0;
}

std::int8_t hiatus_flag(double thickness) {
    if (std::isnan(thickness)) {
        return -1;
    }
    return thickness <= kHiatusThickness ? 1 : 0;
}

std::int8_t subaerial_flag(double depth_of_deposition, double thickness) {
    const std::int8_t hiatus = hiatus_flag(thickness);
    if (hiatus < 0 || std::isnan(depth_of_deposition)) {
        return -1;
    }
    // Recording stores 0 where the surface stood at or above sea level.
    return hiatus == 0 && depth_of_deposition <= 0.0 ? 1 : 0;
}

Stratigraphy::Stratigraphy(const ProjectData& data)
    : data_(data),
      times_(horizon_times_kyr(data.params, data.count)),
      ages_(horizon_ages_kyr(times_)) {
    const int n = std::max(data.count, 0);
    by_horizon_.reset(new Values[std::size_t(n) * COLUMN_COUNT]);
    // Transposed in blocks of columns, so that both sides stay in cache.
    constexpr int kBlock = 16;
    for (int first = 1; first <= COLUMN_COUNT; first += kBlock) {
        const int last = std::min(first + kBlock - 1, COLUMN_COUNT);
        for (int h = 1; h <= n; ++h) {
            for (int c = first; c <= last; ++c) {
                by_horizon_[std::size_t(h - 1) * COLUMN_COUNT + std::size_t(c - 1)] =
                    data.horizon(c, h);
            }
        }
    }
}

double Stratigraphy::thickness(int column, int h) const {
    if (h < 2) {
        return kNaN;
    }
    return layer_thickness(z(column, h - 1), z(column, h));
}

std::vector<double> initial_surface_z(const ModelParameters& p) {
    std::vector<double> z(COLUMN_SLOTS);
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        z[std::size_t(i)] = initial_surface_at(p, i);
    }
    return z;
}

}  // namespace vendrel
