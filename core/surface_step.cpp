#include "core/surface_step.h"

#include <immintrin.h>

#include <atomic>
#include <cmath>
#include <cstring>

#include "core/diffusion.h"
#include "core/model_state.h"

namespace vendrel {
namespace {

// ---- the scalar path ------------------------------------------------------

void step_scalar(const SurfaceStep& step, double* z, double* change, double* owed) {
    for (int i = 2; i < COLUMN_COUNT; ++i) {
        change[i] = diffusion_change_at(step.diffusion_factor, z[i - 1], z[i], z[i + 1]);
    }
    change[1] = change[2];
    change[COLUMN_COUNT] = change[COLUMN_COUNT - 1];
    const std::uint8_t* faults = step.fault_columns;
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        double v = z[i] + change[i];
        v = produced_surface(step.curve, v, step.dt);
        v = step.basinal.surface_after(v);
        z[i] = moved_by_faults(v, faults[i], step.steps);
    }
    if (step.any_fault_column) {
        for (int i = 1; i <= COLUMN_COUNT; ++i) {
            owed[i] = moved_by_faults(owed[i], faults[i], step.steps);
        }
    }
}

// ---- the vector paths -----------------------------------------------------
//
// core/surface_step_lanes.inc holds the vector step, written with the
// compiler's vector types for a lane type `V` and a mask test `any_lane`
// that the including namespace provides. It is compiled twice: for SSE2
// (two columns) and, under a target pragma, for AVX2 (four columns).
// Comparisons give lane masks (all bits set where true); `mask ? a : b`
// selects lane by lane.

// The vector helpers are always inlined into the step of their own
// instruction set, so no vector ever crosses a call: the note about the
// calling convention of 32-byte vectors does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace sse2 {
using V = double __attribute__((vector_size(16)));
using Mask = long long __attribute__((vector_size(16)));
[[gnu::always_inline]] inline bool any_lane(Mask m) {
    return _mm_movemask_pd(__m128d(m)) != 0;
}
#include "core/surface_step_lanes.inc"
}  // namespace sse2

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace avx2 {
using V = double __attribute__((vector_size(32)));
using Mask = long long __attribute__((vector_size(32)));
[[gnu::always_inline]] inline bool any_lane(Mask m) {
    return _mm256_movemask_pd(__m256d(m)) != 0;
}
#include "core/surface_step_lanes.inc"
}  // namespace avx2
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

// -1: no path forced.
std::atomic<int> forced_path{-1};

}  // namespace

bool step_path_supported(StepPath path) {
    switch (path) {
        case StepPath::Scalar:
        case StepPath::Sse2:
            return true;
        case StepPath::Avx2:
            return __builtin_cpu_supports("avx2");
    }
    return false;
}

StepPath chosen_step_path() {
    const int forced = forced_path.load();
    if (forced >= 0) {
        return StepPath(forced);
    }
    return step_path_supported(StepPath::Avx2) ? StepPath::Avx2 : StepPath::Sse2;
}

void force_step_path(std::optional<StepPath> path) {
    forced_path.store(path ? int(*path) : -1);
}

void ColumnFaults::assign(const std::vector<std::uint8_t>& which, const FaultSteps& steps) {
    fault1.assign(which.size(), -0.0);
    fault2.assign(which.size(), -0.0);
    for (std::size_t i = 0; i < which.size(); ++i) {
        if (which[i] & 1u) {
            fault1[i] = steps.fault1;
        }
        if (which[i] & 2u) {
            fault2[i] = steps.fault2;
        }
    }
    both = false;
    single.assign(which.size(), -0.0);
    for (std::size_t i = 0; i < which.size(); ++i) {
        both = both || which[i] == 3u;
        single[i] = (which[i] & 1u) ? fault1[i] : fault2[i];
    }
    owed_moves = !(steps.fault1 == 0.0 && steps.fault2 == 0.0);
}

void step_surface(const SurfaceStep& step, double* surface, double* change, double* owed,
                  StepPath path) {
    switch (path) {
        case StepPath::Scalar:
            step_scalar(step, surface, change, owed);
            return;
        case StepPath::Sse2:
            sse2::step_vector(step, surface, owed);
            return;
        case StepPath::Avx2:
            avx2::step_vector(step, surface, owed);
            return;
    }
}

}  // namespace vendrel
