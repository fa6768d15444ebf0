#include "core/model_reset.h"

#include <algorithm>
#include <cstdint>

#include "core/initial_geometry.h"
#include "core/int_conversion.h"
#include "core/model_parameters.h"
#include "core/model_state.h"
#include "core/sea_level.h"
#include "core/time_step.h"

namespace vendrel {

void reset_model(ModelParameters& p, ModelState& s, int keep_slots_through) {
    s.dx = derive_dx(p);
    s.dt = derive_dt(s.dx, p.diff_coeff);
    if (p.reset_geometry == 1) {
        build_initial_geometry(p, s);
    }
    p.reset_geometry = 0;
    s.current_sea_level = p.baselevel;
    // Limited to the slots the curve has; a degenerate quotient plans slot 0 only.
    s.increment_count =
        std::clamp(truncate_to_int32(p.totaltime / p.display_inc), 0, MAX_HORIZON_SLOT);

    const int keep = std::clamp(keep_slots_through, 0, MAX_HORIZON_SLOT);
    // The time of the newest kept horizon: a run records one every
    // display_inc / dt steps (truncated), slot 1 being time 0.
    const std::int32_t steps_per_record = std::max(truncate_to_int32(p.display_inc / s.dt), 0);
    s.sim_time = double(std::max(keep - 1, 0)) * double(steps_per_record) * s.dt;
    double kept[HORIZON_SLOTS];
    std::copy(s.sealevel_values + 1, s.sealevel_values + keep + 1, kept + 1);
    plan_sea_level_curve(p, s);
    std::copy(kept + 1, kept + keep + 1, s.sealevel_values + 1);
}

}  // namespace vendrel
