#include "core/sea_level.h"

#include <algorithm>
#include <cmath>

#include "core/model_parameters.h"
#include "core/model_state.h"
#include "core/sea_level_curve.h"

namespace vendrel {
namespace {

constexpr double kTwoPi = 2.0 * 3.14;

double sinusoid(double t, double period) {
    if (period == 0.0) {
        return 0.0;
    }
    return std::sin(t / (period / kTwoPi));
}

// Change of one sinusoid since its previous evaluation, updating it.
double sine_change(double t, double period, double& previous) {
    const double now = sinusoid(t, period);
    const double change = previous - now;
    previous = now;
    return change;
}

// The larger (or smaller) of the running extreme and L; L when either is NaN.
double running_max(double extreme, double level) {
    return (std::isnan(extreme) || std::isnan(level)) ? level : std::max(extreme, level);
}
double running_min(double extreme, double level) {
    return (std::isnan(extreme) || std::isnan(level)) ? level : std::min(extreme, level);
}

}  // namespace

double next_sea_level(const ModelParameters& p, double level, double t, double step,
                      SineState& state) {
    if (const SeaLevelCurve* curve = p.sea_level_curve.get()) {
        if (!state.curve_started) {
            state.curve_level = curve->level_at(0.0, state.curve_index);
            state.curve_started = true;
        }
        const double now = curve->level_at(t, state.curve_index);
        const double change = now - state.curve_level;
        state.curve_level = now;
        return -change + (level - p.baselevel_rise / 1000 * step);
    }
    auto& sines = state.sines;
    const double d1 = sine_change(t, p.wave_1, sines[0]);
    const double d2 = sine_change(t, p.wave_2, sines[1]);
    const double d3 = sine_change(t, p.wave_3, sines[2]);
    return p.amp_1 * d1 + (level - p.baselevel_rise / 1000 * step) + p.amp_2 * d2 + p.amp_3 * d3;
}

void advance_sea_level(const ModelParameters& p, ModelState& s, SineState& sines) {
    s.current_sea_level = next_sea_level(p, s.current_sea_level, s.sim_time, s.dt, sines);
}

void plan_sea_level_curve(const ModelParameters& p, ModelState& s) {
    s.sealevel_max = -999.0;
    s.sealevel_min = 999.0;
    double level = p.baselevel;
    SineState sines{};
    const int last = std::clamp(s.increment_count, 0, MAX_HORIZON_SLOT);
    for (int i = 0; i <= last; ++i) {
        level = next_sea_level(p, level, i * p.display_inc, p.display_inc, sines);
        s.sealevel_values[i] = level;
        s.sealevel_max = running_max(s.sealevel_max, level);
        s.sealevel_min = running_min(s.sealevel_min, level);
    }
    s.current_sea_level = p.baselevel;
}

}  // namespace vendrel
