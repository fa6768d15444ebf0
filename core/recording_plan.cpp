#include "core/recording_plan.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/int_conversion.h"
#include "core/model_parameters.h"
#include "core/time_step.h"

namespace vendrel {

RecordingPlan plan_recordings(const ModelParameters& p) {
    RecordingPlan plan;
    plan.dt = derive_dt(derive_dx(p), p.diff_coeff);
    plan.step_count = truncate_to_int32(p.totaltime / plan.dt);
    plan.steps_per_record = truncate_to_int32(p.display_inc / plan.dt);
    const std::int64_t steps = std::max<std::int64_t>(plan.step_count, 0);
    plan.recordings = plan.steps_per_record > 0 ? steps / plan.steps_per_record : 0;
    // The recording after the last slot is due at this step; the run ends there.
    plan.steps_run = plan.fits() ? steps : std::int64_t(kRecordingRoom + 1) * plan.steps_per_record;
    return plan;
}

double smallest_fitting_display_inc(const ModelParameters& p) {
    const RecordingPlan plan = plan_recordings(p);
    if (plan.fits()) {
        return p.display_inc;
    }
    // floor(step_count / s) <= room exactly when s > step_count / (room + 1).
    const std::int64_t steps = std::int64_t(plan.step_count) / (kRecordingRoom + 1) + 1;
    double inc = double(steps) * plan.dt;
    while (truncate_to_int32(inc / plan.dt) < steps) {
        inc = std::nextafter(inc, std::numeric_limits<double>::infinity());
    }
    return inc;
}

}  // namespace vendrel
