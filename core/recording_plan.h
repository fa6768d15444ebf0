#pragma once
// How a run's recordings fall on whole time steps, and how many of them the
// horizon slots hold.
//
// A run takes step_count = totaltime / dt steps and records a horizon every
// steps_per_record = display_inc / dt steps, each quotient truncated toward
// zero to int32 as the run loop does (one that is not a number or lies
// outside that range gives INT32_MIN: no step, or no recording). Cutting
// display_inc / dt to whole steps shortens the recording interval, so a run
// may record more horizons than totaltime / display_inc says. Recording k
// goes to slot k + 1: slots 2 to 500 hold 499 recordings. A run that asks
// for more ends at the step whose recording finds no slot; that step is
// taken, its horizon is not recorded.

#include <cstdint>

#include "core/model_state.h"

namespace vendrel {

struct ModelParameters;

// Recordings a run can keep after the initial surface in slot 1.
inline constexpr int kRecordingRoom = MAX_HORIZON_SLOT - 1;

struct RecordingPlan {
    double dt = 1;
    std::int32_t step_count = 0;
    std::int32_t steps_per_record = 0;
    // Recordings the run asks for: step_count / steps_per_record, 0 when
    // either is below 1.
    std::int64_t recordings = 0;
    // Steps the run takes: step_count, or fewer when the slots run out.
    std::int64_t steps_run = 0;

    bool takes_steps() const { return step_count > 0; }
    bool records() const { return recordings > 0; }
    // Every recording the run asks for has its slot.
    bool fits() const { return recordings <= kRecordingRoom; }
    // Years the run simulates: steps_run x dt.
    double simulated_time() const { return double(steps_run) * dt; }
};

// The plan of a run of `p`, with dt derived as the run derives it.
RecordingPlan plan_recordings(const ModelParameters& p);

// The smallest display_inc with which every recording of a run of `p` (its
// totaltime and dt) fits the slots; p.display_inc when they fit already.
double smallest_fitting_display_inc(const ModelParameters& p);

}  // namespace vendrel
