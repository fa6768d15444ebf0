#include "core/recording_pass.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/exponential_lanes.h"
#include "core/horizons.h"
#include "core/lanes.h"
#include "core/model_parameters.h"
#include "core/model_state.h"

namespace vendrel {
namespace {

// Truncation of a column whose slots 1..h-1 are in order by the new slot h:
// the new horizon is carried down while it lies below the older one. Returns
// whether slots 1..h are in order afterwards; `cut` receives the lowest slot
// it wrote (h when none).
bool truncate_ordered(double* z, int h, int& cut) {
    const double lowest = z[h];
    cut = h;
    for (int m = h; m >= 2; --m) {
        const double older = z[m - 1];
        if (!(lowest > older)) {
            // From here down the running maximum is each older value itself.
            return older >= lowest;
        }
        z[m - 1] = lowest;
        cut = m - 1;
    }
    return true;
}

// Compaction settles layers four at a time, in one or more vectors.
constexpr int kLayerBlock = 4;

template <class V>
inline V magnitude(V v) {
    return lanes::double_of<V>(lanes::bits_of(v) & ~(std::uint64_t(1) << 63));
}

// What settling a column reads and writes; with `Uniform` every layer's
// phi0 is *phi0 (read once, not from the array).
struct Settling {
    const double* z;
    double* porosity;
    const double* phi0;
    const double* thickness0;
    double* lost;
    double minus_c;
    double newest;
    // The exponent of the layer before the next block (NaN before the
    // first) and its exponential.
    double last_exponent;
    double last_factor;
};

// Layers j..j + kCount<V> * Vectors - 1 of the compaction equation
// (core/horizons.h), lane by lane: the exponent -c |z[N] - z[j]|, its
// exponential, the porosity (a < b ? a : b is std::min(b, a)) and the lost
// thickness t > T ? t - T : +0. A block whose every exponent equals the one
// below it takes that layer's exponential (equal arguments give equal
// results, +0 and -0 alike) instead of computing it again: layers never
// deposited lie at the depth of the layer below.
template <class V, int Vectors, bool Uniform>
inline void settle_block(Settling& c, int j) {
    constexpr int kLanes = lanes::kCount<V>;
    V exponent[Vectors];
    bool repeated = true;
    for (int q = 0; q < Vectors; ++q) {
        const double* z = c.z + j + q * kLanes;
        exponent[q] =
            lanes::splat<V>(c.minus_c) * magnitude(lanes::splat<V>(c.newest) - lanes::load<V>(z));
        repeated = repeated && lanes::all_lanes(exponent[q] == c.last_exponent);
    }
    V factor[Vectors];
    for (int q = 0; q < Vectors; ++q) {
        factor[q] = repeated ? lanes::splat<V>(c.last_factor) : exponential_lanes(exponent[q]);
    }
    c.last_exponent = exponent[Vectors - 1][kLanes - 1];
    c.last_factor = factor[Vectors - 1][kLanes - 1];
    const V one = lanes::splat<V>(1.0);
    const V zero = lanes::splat<V>(0.0);
    for (int q = 0; q < Vectors; ++q) {
        const int k = j + q * kLanes;
        const V p0 = Uniform ? lanes::splat<V>(c.phi0[0]) : lanes::load<V>(c.phi0 + k);
        const V reduced = p0 * factor[q];
        const V current = lanes::load<V>(c.porosity + k);
        const V phi = current < reduced ? current : reduced;
        lanes::store(c.porosity + k, phi);
        const V t = magnitude(lanes::load<V>(c.z + k) - lanes::load<V>(c.z + k - 1));
        const V T = lanes::load<V>(c.thickness0 + k) * ((one - p0) / (one - phi));
        lanes::store(c.lost + k, t > T ? t - T : zero);
    }
}

// The compaction of one column up to, not including, the movement: the
// porosity of every layer 2..N (stored) and the thickness each layer loses
// (`lost`, +0 where it keeps its thickness), from the positions before the
// pass, as the compaction equation (core/horizons.h) takes them. Layers go
// four at a time, the last one to three one by one; the block starting at
// layer 2 always computes its exponentials.
template <class V, bool Uniform>
inline void settle_lanes(Settling c, int N) {
    constexpr int kVectors = kLayerBlock / lanes::kCount<V>;
    int j = 2;
    for (; j + kLayerBlock - 1 <= N; j += kLayerBlock) {
        settle_block<V, kVectors, Uniform>(c, j);
    }
    for (; j <= N; ++j) {
        settle_block<lanes::Lanes1, 1, Uniform>(c, j);
    }
}

template <class V>
inline void settle_on(const Settling& c, int N, bool uniform) {
    uniform ? settle_lanes<V, true>(c, N) : settle_lanes<V, false>(c, N);
}

[[gnu::flatten]] void settle_scalar(const Settling& c, int N, bool uniform) {
    settle_on<lanes::Lanes1>(c, N, uniform);
}

#if VENDREL_X86_LANES
[[gnu::flatten]] void settle_sse2(const Settling& c, int N, bool uniform) {
    settle_on<lanes::Lanes2>(c, N, uniform);
}

[[gnu::target("avx2"), gnu::flatten]] void settle_avx2(const Settling& c, int N, bool uniform) {
    settle_on<lanes::Lanes4>(c, N, uniform);
}
#endif

void settle_column(double cvalue, const double* z, double* porosity, const double* phi0,
                   const double* uniform_phi0, const double* thickness0, int N, VectorPath path,
                   double* lost) {
    if (N < 2) {
        return;
    }
    const bool uniform = uniform_phi0 != nullptr;
    const Settling c{z,
                     porosity,
                     uniform ? uniform_phi0 : phi0,
                     thickness0,
                     lost,
                     -cvalue,
                     z[N],
                     std::numeric_limits<double>::quiet_NaN(),
                     0.0};
    switch (path) {
#if VENDREL_X86_LANES
        case VectorPath::Sse2:
            settle_sse2(c, N, uniform);
            return;
        case VectorPath::Avx2:
            settle_avx2(c, N, uniform);
            return;
#else
        case VectorPath::Sse2:
        case VectorPath::Avx2:
#endif
        case VectorPath::Scalar:
            break;
    }
    settle_scalar(c, N, uniform);
}

// Asks for slots 1..h of a column's arrays that the recording reads, so that
// they arrive while the column before it is worked on: each column's slots
// lie in a block of their own, too short for the processor to detect the
// stream in time.
void prefetch_column(const ModelState& s, int i, int h, bool compact, bool uniform_phi0) {
    constexpr int kLine = 64 / sizeof(double);
    const double* arrays[] = {s.horizon_z[i], s.horizon_porosity[i], s.horizon_thickness0[i],
                              s.horizon_phi0[i]};
    const int count = compact ? (uniform_phi0 ? 3 : 4) : 1;
    for (int a = 0; a < count; ++a) {
        for (int j = 0; j <= h; j += kLine) {
            __builtin_prefetch(arrays[a] + j, 1);
        }
    }
}

}  // namespace

bool column_in_order(const double* z, int count) {
    // Two pairs at a time; an ordered comparison is false where a NaN takes
    // part, as >= is.
    using V = lanes::Lanes2;
    auto all = lanes::splat<V>(0.0) == 0.0;
    int m = 2;
    for (; m + 1 <= count; m += 2) {
        all = all & (lanes::load<V>(z + m - 1) >= lanes::load<V>(z + m));
    }
    bool in_order = lanes::all_lanes(all);
    for (; m <= count; ++m) {
        in_order = in_order & (z[m - 1] >= z[m]);
    }
    return in_order;
}

void pay_owed_movement(double* z, int count, double shift, std::uint8_t& ordered) {
    for (int h = 1; h <= count; ++h) {
        z[h] = z[h] + shift;
    }
    if (!std::isfinite(shift)) {
        ordered = 0;
    }
}

namespace {

// The first part of a recording in column i: the owed movement paid, the
// new slot recorded, the older horizons truncated, the new layer set and
// the layers settled for compaction; `lost` receives the thickness each
// layer loses.
void record_column(ModelState& s, const RecordingColumns& columns, const Recording& r, int i,
                   bool compact, double* lost) {
    const int h = r.slot;
    double* z = s.horizon_z[i];
    std::uint8_t& ordered = columns.ordered[i];
    if (r.owed != nullptr && columns.fault_columns[i] != 0) {
        pay_owed_movement(z, h - 1, r.owed[i], ordered);
    }
    const double surface = r.surface[i];
    z[h] = surface;
    const double depth = surface - r.sea_level;
    s.horizon_depth[i][h] = depth < 0 ? 0.0 : depth;
    s.horizon_distance[i][h] = r.distance[i];
    int cut = h;
    if (ordered != 0) {
        ordered = truncate_ordered(z, h, cut) ? 1 : 0;
    } else {
        cut = truncate_horizons_column(s, i, h);
        ordered = column_in_order(z, h) ? 1 : 0;
    }
    columns.cut_from[i] = std::min(columns.cut_from[i], cut);
    s.horizon_thickness0[i][h] = std::fabs(z[h] - z[h - 1]);
    s.horizon_phi0[i][h] = r.phizero;
    s.horizon_porosity[i][h] = r.phizero;
    if (compact) {
        settle_column(r.cvalue, z, s.horizon_porosity[i], s.horizon_phi0[i],
                      r.uniform_phi0 ? &r.phizero : nullptr, s.horizon_thickness0[i], h,
                      columns.path, lost);
    }
}

// The movement of a compaction: horizon j and every younger one go down by
// the sum of the losses of layers 2..h. One chain of sums per column, all
// columns of the group side by side; each column's order (as
// column_in_order has it) is checked on the values as they are written.
void move_compacted(ModelState& s, const RecordingColumns& columns, int h, int first, int last,
                    const double (*lost)[HORIZON_SLOTS]) {
    const int count = last - first + 1;
    double* z[kRecordingGroup];
    double shift[kRecordingGroup];
    double below[kRecordingGroup];
    bool in_order[kRecordingGroup];
    for (int k = 0; k < count; ++k) {
        z[k] = s.horizon_z[first + k];
        shift[k] = 0.0;
        below[k] = z[k][1];
        in_order[k] = true;
    }
    auto move = [&](int k, int j) {
        shift[k] += lost[k][j];
        const double moved = z[k][j] + shift[k];
        z[k][j] = moved;
        in_order[k] = in_order[k] & (below[k] >= moved);
        below[k] = moved;
    };
    if (count == kRecordingGroup) {
        for (int j = 2; j <= h; ++j) {
            for (int k = 0; k < kRecordingGroup; ++k) {
                move(k, j);
            }
        }
    } else {
        for (int k = 0; k < count; ++k) {
            for (int j = 2; j <= h; ++j) {
                move(k, j);
            }
        }
    }
    for (int k = 0; k < count; ++k) {
        columns.ordered[first + k] = in_order[k] ? 1 : 0;
    }
}

}  // namespace

void record_column_group(ModelState& s, const RecordingColumns& columns,
                         const Recording* recordings, int count, int first, int last) {
    double lost[kRecordingGroup][HORIZON_SLOTS];
    for (int n = 0; n < count; ++n) {
        const Recording& r = recordings[n];
        const int h = r.slot;
        if (h < 2 || h > MAX_HORIZON_SLOT) {
            continue;
        }
        const bool compact = r.compact;
        for (int i = first; i <= last; ++i) {
            if (n == 0 && i < COLUMN_COUNT) {
                prefetch_column(s, i + 1, h, compact, r.uniform_phi0);
            }
            record_column(s, columns, r, i, compact, lost[i - first]);
        }
        if (compact) {
            move_compacted(s, columns, h, first, last, lost);
        }
    }
}

}  // namespace vendrel
