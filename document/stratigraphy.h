#pragma once
// What a recorded section means in time and thickness: the one place where
// horizon times and ages, layer thicknesses, hiatuses and burial depths are
// worked out. Data exports, pseudo-wells and figures all read these values
// from here.
//
//   Horizon h: slots 1..N of the model (N = display_current_disp); slot 1 is
//     the initial surface at time 0.
//   time(h) = (h - 1) x steps_per_record x dt, in kyr, where dt is the run's
//     time step (derive_dx, derive_dt) and steps_per_record =
//     truncate_to_int32(display_inc / dt), as the run loop computes them.
//     Not defined (NaN) for h >= 2 when those parameters record nothing.
//   age(h) = time(N) - time(h): kyr before the newest recorded horizon.
//   z: the model's own value, depth below the top of the section, positive
//     down (0 at the top, max_y at the base); elevation = max_y - z.
//   Layer h (h >= 2) lies between horizons h - 1 (below) and h (above); its
//     depth of deposition, distance from shore and porosity are slot h's.
//     Horizon 1 has no layer: those are NaN there, whatever slot 1 holds.
//   thickness(h) = z[h - 1] - z[h], a negative difference counting as 0;
//     a layer of at most kHiatusThickness is a hiatus. Horizon 1 has no
//     layer: its thickness is NaN and its hiatus undefined.
//   burial depth(h) = z[h] - z[N]: depth below the newest horizon.
//   A layer is subaerial where it was laid down at or above sea level, as
//   known when it was recorded: its depth of deposition is 0 (the value
//   recording stores there) and it is not a hiatus. Undefined for horizon 1
//   and where the thickness or the depth is not known.
// A value computed from a non-finite input is NaN.

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "core/model_state.h"
#include "document/project_data.h"

namespace vendrel {

// Layers at most this thick (m) record no deposition: a hiatus.
inline constexpr double kHiatusThickness = 0.001;

// Years between two recorded horizons: steps_per_record x dt. NaN when the
// parameters give a run that records nothing (steps_per_record below 1).
double recording_interval_years(const ModelParameters& p);

// time(h) in kyr for h = 1..count, at index h - 1.
std::vector<double> horizon_times_kyr(const ModelParameters& p, int count);

// age(h) = time(N) - time(h) for the times of horizon_times_kyr.
std::vector<double> horizon_ages_kyr(const std::vector<double>& times_kyr);

// z[h - 1] - z[h] for the horizon below and the one above, at least 0.
double layer_thickness(double z_below, double z_above);

// Height above the base of a horizon at z.
inline double elevation_of(double max_y, double z) {
    return max_y - z;
}
// Depth of a horizon at z below the newest one, at z_newest.
inline double burial_depth_of(double z, double z_newest) {
    return z - z_newest;
}

// Whether a layer is a hiatus: 1, 0, or -1 when the thickness is undefined.
std::int8_t hiatus_flag(double thickness);

// Whether a layer was laid down at or above sea level: 1, 0, or -1 when
// its thickness or depth of deposition is undefined. A hiatus is not
// subaerial.
std::int8_t subaerial_flag(double depth_of_deposition, double thickness);

// The derived values of one project's horizons. Keeps a copy of the
// horizons ordered horizon by horizon (the project holds them column by
// column), so that reading a whole horizon is a sequential walk; it reads
// the rest of the data it is given, which must outlive it.
class Stratigraphy {
  public:
    explicit Stratigraphy(const ProjectData& data);

    const ProjectData& data() const { return data_; }
    int count() const { return data_.count; }
    double max_y() const { return data_.params.max_y; }

    double time_kyr(int h) const { return times_[std::size_t(h - 1)]; }
    double age_kyr(int h) const { return ages_[std::size_t(h - 1)]; }
    const std::vector<double>& times_kyr() const { return times_; }
    const std::vector<double>& ages_kyr() const { return ages_; }

    double z(int column, int h) const { return at(column, h)[0]; }
    double elevation(int column, int h) const { return elevation_of(max_y(), z(column, h)); }
    // The attributes of layer h: NaN for h = 1, which has no layer.
    double depth_of_deposition(int column, int h) const { return layer_value(column, h, 1); }
    double distance_from_shore(int column, int h) const { return layer_value(column, h, 2); }
    double porosity(int column, int h) const { return layer_value(column, h, 3); }
    // NaN for h = 1.
    double thickness(int column, int h) const;
    // -1 for h = 1.
    std::int8_t hiatus(int column, int h) const { return hiatus_flag(thickness(column, h)); }
    // -1 for h = 1.
    std::int8_t subaerial(int column, int h) const {
        return subaerial_flag(depth_of_deposition(column, h), thickness(column, h));
    }
    double burial_depth(int column, int h) const {
        return burial_depth_of(z(column, h), z(column, count()));
    }

    double sea_level_z(int h) const { return data_.sealevels[std::size_t(h)]; }
    double sea_level_elevation(int h) const { return max_y() - sea_level_z(h); }

  private:
    using Values = std::array<double, 4>;
    double layer_value(int column, int h, std::size_t k) const {
        return h >= 2 ? at(column, h)[k] : std::numeric_limits<double>::quiet_NaN();
    }
    const Values& at(int column, int h) const {
        return by_horizon_[std::size_t(h - 1) * COLUMN_COUNT + std::size_t(column - 1)];
    }

    const ProjectData& data_;
    // Horizon h, column c at [(h - 1) * 2000 + (c - 1)].
    // Left uninitialised until the copy fills it: the only pass over it.
    std::unique_ptr<Values[]> by_horizon_;
    std::vector<double> times_;
    std::vector<double> ages_;
};

// The initial surface the parameters describe (straight ramp or control
// points), rebuilt as a run builds it, for columns 1..2000 at index c
// (index 0 unused); z positive down. Not slot 1, which a run has moved.
std::vector<double> initial_surface_z(const ModelParameters& p);

}  // namespace vendrel
