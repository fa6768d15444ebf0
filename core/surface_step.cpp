#include "core/surface_step.h"

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
// The vector step, written once over the lane type `V` (core/lanes.h) and
// instantiated for SSE2 (two columns) and AVX2 (four). Every operation is
// the scalar step's, lane by lane.

// The production curve of one step, spread over the lanes. Segment k
// (1..7) runs from point k - 1 to point k; segment 1 is entered from sea
// level, as its test has it.
template <class V>
struct CurveLanes {
    explicit CurveLanes(const ProductionCurve& curve)
        : first_depth(lanes::splat<V>(curve.shifted_depth(0))),
          last_depth(lanes::splat<V>(curve.shifted_depth(7))),
          first_rate(lanes::splat<V>(curve.point_rate(0))),
          ordered(curve.ordered()) {
        for (int k = 1; k < 8; ++k) {
            Segment& g = segments[k];
            g.lower = lanes::splat<V>(k == 1 ? curve.sea_level() : curve.shifted_depth(k - 1));
            g.upper = lanes::splat<V>(curve.shifted_depth(k));
            g.start = lanes::splat<V>(curve.shifted_depth(k - 1));
            g.width = lanes::splat<V>(curve.width(k));
            g.rise = lanes::splat<V>(curve.rise(k));
            g.base = lanes::splat<V>(curve.point_rate(k - 1));
            g.end_rate = lanes::splat<V>(curve.point_rate(curve.step_end(k)));
            g.flat = curve.width(k) == 0.0;
        }
    }
    // A flat segment has zero width and takes end_rate where its test holds.
    struct Segment {
        V lower, upper, start, width, rise, base, end_rate;
        bool flat;
    };
    V first_depth, last_depth, first_rate;
    bool ordered;
    Segment segments[8];
};

// How far production lowers every lane in one step, rate x dt x 0.001,
// with the tests of ProductionCurve::rate in the same order: the first test
// that holds gives the rate. Blocks with no lane on the curve take the
// precomputed drops of R1 and of rate 0.
template <class V>
inline V production_drops(const CurveLanes<V>& curve, V s, double dt, V first_drop, V zero_drop) {
    const V zero = lanes::splat<V>(0.0);
    const auto below = s < curve.first_depth;
    auto inside = ~below;
    if (curve.ordered) {
        // Nothing deeper than the last point (or NaN) passes a test.
        inside = inside & (s <= curve.last_depth);
    }
    if (!lanes::any_lane(inside)) {
        return below ? first_drop : zero_drop;
    }
    // The segment of each lane, chosen from the last test to the first so
    // that the first test that holds wins; lanes that pass none keep rate 0.
    V start = zero, width = lanes::splat<V>(1.0), rise = zero, base = zero, flat = zero;
    auto interpolated = below & ~below;
    for (int k = 7; k >= 1; --k) {
        const typename CurveLanes<V>::Segment& g = curve.segments[k];
        const auto in = k == 1 ? (g.lower <= s) & (s <= g.upper) : (g.lower < s) & (s <= g.upper);
        if (g.flat) {
            flat = in ? g.end_rate : flat;
            interpolated = interpolated & ~in;
        } else {
            start = in ? g.start : start;
            width = in ? g.width : width;
            rise = in ? g.rise : rise;
            base = in ? g.base : base;
            interpolated = interpolated | in;
        }
    }
    const V value = interpolated ? rise * ((s - start) / width) + base : flat;
    const V rate = below ? curve.first_rate : value;
    return rate * dt * 0.001;
}

// What the pass over the columns reads, spread over the lanes.
template <class V>
struct StepLanes {
    explicit StepLanes(const SurfaceStep& step)
        : factor(lanes::splat<V>(step.diffusion_factor)),
          curve(step.curve),
          dt(step.dt),
          first_drop(lanes::splat<V>(step.curve.point_rate(0) * step.dt * 0.001)),
          zero_drop(lanes::splat<V>(0.0 * step.dt * 0.001)),
          sea_level(lanes::splat<V>(step.basinal.sea_level())),
          threshold(lanes::splat<V>(step.basinal.threshold())),
          thickness(lanes::splat<V>(step.basinal.thickness())),
          fault1(step.faults->fault1.data()),
          fault2(step.faults->fault2.data()),
          single(step.faults->single.data()) {}
    V factor;
    CurveLanes<V> curve;
    double dt;
    V first_drop, zero_drop;
    V sea_level, threshold, thickness;
    const double* fault1;
    const double* fault2;
    const double* single;
};

// How a pass moves the columns with the faults.
enum FaultMoves { kNoFault, kOneFault, kBothFaults };

// One pass over the columns, kLanes at a time. The diffusion change of a
// block needs the old value of the column before it, so each block's new
// values are stored only after the next block has loaded its neighbours.
// The first and the last block copy the change of their inner neighbour to
// the edge column. The template arguments leave out, per run, what cannot
// change a value: basinal sediment of +0 m, faults that move no column, and
// owed movement that stays +0.
template <class V, FaultMoves Faults, bool Owes, bool Basinal>
void pass(const StepLanes<V>& c, double* z, double* owed) {
    constexpr int kLanes = lanes::kCount<V>;
    static_assert(COLUMN_COUNT % kLanes == 0 && COLUMN_COUNT / kLanes >= 2);

    // Production, basinal sediment and faults of the block at column i.
    auto settle = [&](V v, int i) {
        v = v - production_drops(c.curve, v, c.dt, c.first_drop, c.zero_drop);
        if constexpr (Basinal) {
            v = (v - c.sea_level) > c.threshold ? v - c.thickness : v;
        }
        if constexpr (Faults == kBothFaults) {
            v = (v + lanes::load<V>(c.fault1 + i)) + lanes::load<V>(c.fault2 + i);
        } else if constexpr (Faults == kOneFault) {
            v = v + lanes::load<V>(c.single + i);
        }
        if constexpr (Owes) {
            lanes::store(owed + i, (lanes::load<V>(owed + i) + lanes::load<V>(c.fault1 + i)) +
                                       lanes::load<V>(c.fault2 + i));
        }
        return v;
    };
    auto change_of = [&](V left, V centre, V right) {
        return c.factor * ((left - 2.0 * centre) + right);
    };

    // Columns 1..kLanes; lane 0 of `left` is the unused slot 0.
    V centre = lanes::load<V>(z + 1);
    V change = change_of(lanes::load<V>(z), centre, lanes::load<V>(z + 2));
    change[0] = change[1];
    V pending = settle(centre + change, 1);

    int i = 1 + kLanes;
    for (; i + kLanes <= COLUMN_COUNT; i += kLanes) {
        const V left = lanes::load<V>(z + i - 1), right = lanes::load<V>(z + i + 1);
        centre = lanes::load<V>(z + i);
        lanes::store(z + i - kLanes, pending);
        pending = settle(centre + change_of(left, centre, right), i);
    }

    // The last block ends at column 2000, which has no right neighbour.
    const V left = lanes::load<V>(z + i - 1);
    centre = lanes::load<V>(z + i);
    V right = centre;
    for (int l = 0; l + 1 < kLanes; ++l) {
        right[l] = z[i + l + 1];
    }
    lanes::store(z + i - kLanes, pending);
    change = change_of(left, centre, right);
    change[kLanes - 1] = change[kLanes - 2];
    lanes::store(z + i, settle(centre + change, i));
}

template <class V, FaultMoves Faults, bool Owes>
void pass_with_faults(const StepLanes<V>& c, bool basinal, double* z, double* owed) {
    if (basinal) {
        pass<V, Faults, Owes, true>(c, z, owed);
    } else {
        pass<V, Faults, Owes, false>(c, z, owed);
    }
}

template <class V>
void step_vector(const SurfaceStep& step, double* z, double* owed) {
    const StepLanes<V> c(step);
    // Taking away +0 leaves every value as it is; -0 does not (-0 - -0 = +0).
    const double thickness = step.basinal.thickness();
    const bool basinal = !(thickness == 0.0 && !std::signbit(thickness));
    const ColumnFaults& f = *step.faults;
    if (!step.any_fault_column) {
        pass_with_faults<V, kNoFault, false>(c, basinal, z, owed);
    } else if (f.both) {
        if (f.owed_moves) {
            pass_with_faults<V, kBothFaults, true>(c, basinal, z, owed);
        } else {
            pass_with_faults<V, kBothFaults, false>(c, basinal, z, owed);
        }
    } else if (f.owed_moves) {
        pass_with_faults<V, kOneFault, true>(c, basinal, z, owed);
    } else {
        pass_with_faults<V, kOneFault, false>(c, basinal, z, owed);
    }
}

#if VENDREL_X86_LANES
[[gnu::flatten]] void step_sse2(const SurfaceStep& step, double* z, double* owed) {
    step_vector<lanes::Lanes2>(step, z, owed);
}

[[gnu::target("avx2"), gnu::flatten]] void step_avx2(const SurfaceStep& step, double* z,
                                                     double* owed) {
    step_vector<lanes::Lanes4>(step, z, owed);
}
#endif

}  // namespace

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
                  VectorPath path) {
    switch (path) {
#if VENDREL_X86_LANES
        case VectorPath::Sse2:
            step_sse2(step, surface, owed);
            return;
        case VectorPath::Avx2:
            step_avx2(step, surface, owed);
            return;
#else
        case VectorPath::Sse2:
        case VectorPath::Avx2:
#endif
        case VectorPath::Scalar:
            break;
    }
    step_scalar(step, surface, change, owed);
}

}  // namespace vendrel
