#pragma once
// Sea level: a linear trend plus three sinusoids, advanced incrementally.
//
// Sinusoid k at time t is S_k(t) = sin(t / (P_k / 6.28)), with 6.28 computed
// as 2 x 3.14. Each evaluation keeps the previous value Q_k and applies the
// difference, so with a zero start the level after time t is
//   base - rise * t / 1000 - A1 S1(t) - A2 S2(t) - A3 S3(t)   (depth-down).
// A period of 0 makes its sinusoid absent rather than not-a-number.
//
// With a measured curve E(t) (positive up) set, E takes the sinusoids'
// place: level = -(E(t) - E(t_prev)) + (level - rise / 1000 * step), with
// E(t_prev) = E(0) at the first evaluation, so the level after time t is
//   base - rise * t / 1000 - (E(t) - E(0)).

#include <array>
#include <cstddef>

namespace vendrel {

struct ModelParameters;
struct ModelState;

// What the recurrence keeps between evaluations: the value of each
// sinusoid, and with a curve, its level and interval at the previous time.
struct SineState {
    std::array<double, 3> sines{};
    bool curve_started = false;
    double curve_level = 0.0;
    std::size_t curve_index = 0;
};

// One step of the recurrence: t is the new time, step the time advanced
// since the previous evaluation. Returns the new level.
double next_sea_level(const ModelParameters& p, double level, double t, double step,
                      SineState& sines);

// Advances current_sea_level to sim_time with the step dt.
void advance_sea_level(const ModelParameters& p, ModelState& s, SineState& sines);

// Plans the sea level at every recording increment into sealevel_values
// slots 0 to increment_count (at most slot 500), with sealevel_min and
// sealevel_max; leaves current_sea_level at baselevel.
void plan_sea_level_curve(const ModelParameters& p, ModelState& s);

}  // namespace vendrel
