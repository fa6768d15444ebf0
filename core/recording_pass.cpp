#include "core/recording_pass.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>

#include "core/horizons.h"
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

// The exponential of every layer's exponent x[2..N] into f[2..N]. A layer
// whose exponent equals the one below it takes that layer's value (equal
// arguments give equal results, +0 and -0 alike) instead of computing it
// again: layers never deposited lie at the depth of the layer below. The
// layers go four at a time, so that the branch follows whole blocks (all
// new, as where every layer was deposited, or none) rather than each layer.
void exponentials(const double* x, double* f, int N) {
    f[2] = std::exp(x[2]);
    int j = 3;
    for (; j + 3 <= N; j += 4) {
        const unsigned fresh = unsigned(!(x[j] == x[j - 1])) | unsigned(!(x[j + 1] == x[j])) << 1 |
                               unsigned(!(x[j + 2] == x[j + 1])) << 2 |
                               unsigned(!(x[j + 3] == x[j + 2])) << 3;
        if (fresh == 0xfu) {
            f[j] = std::exp(x[j]);
            f[j + 1] = std::exp(x[j + 1]);
            f[j + 2] = std::exp(x[j + 2]);
            f[j + 3] = std::exp(x[j + 3]);
        } else if (fresh == 0) {
            f[j] = f[j + 1] = f[j + 2] = f[j + 3] = f[j - 1];
        } else {
            for (int k = 0; k < 4; ++k) {
                f[j + k] = (fresh >> k) & 1u ? std::exp(x[j + k]) : f[j + k - 1];
            }
        }
    }
    for (; j <= N; ++j) {
        f[j] = x[j] == x[j - 1] ? f[j - 1] : std::exp(x[j]);
    }
}

// Porosity and lost thickness of layers 2..N from their exponentials, the
// operations of the compaction equation (core/horizons.h) lane by lane: a < b ? a : b is
// std::min(b, a), |v| clears the sign bit, t > T ? t - T : +0 the loss. With
// `uniform` every layer's phi0 is *phi0 (read once, not from the array).
struct Layers {
    const double* z;
    double* porosity;
    const double* phi0;
    const double* thickness0;
    const double* factor;
    double* lost;
    int N;
};

template <bool Uniform>
double phi0_of(const Layers& l, int j) {
    return Uniform ? l.phi0[0] : l.phi0[j];
}

template <bool Uniform>
void settle_one(const Layers& l, int j) {
    const double p0 = phi0_of<Uniform>(l, j);
    const double reduced = p0 * l.factor[j];
    const double phi = l.porosity[j] < reduced ? l.porosity[j] : reduced;
    l.porosity[j] = phi;
    const double t = std::fabs(l.z[j] - l.z[j - 1]);
    const double T = l.thickness0[j] * ((1 - p0) / (1 - phi));
    l.lost[j] = t > T ? t - T : 0.0;
}

template <bool Uniform>
void settle_sse2(const Layers& l) {
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d sign = _mm_set1_pd(-0.0);
    int j = 2;
    for (; j + 1 <= l.N; j += 2) {
        const __m128d p0 = Uniform ? _mm_set1_pd(l.phi0[0]) : _mm_loadu_pd(l.phi0 + j);
        const __m128d reduced = _mm_mul_pd(p0, _mm_loadu_pd(l.factor + j));
        const __m128d phi = _mm_min_pd(_mm_loadu_pd(l.porosity + j), reduced);
        _mm_storeu_pd(l.porosity + j, phi);
        const __m128d t =
            _mm_andnot_pd(sign, _mm_sub_pd(_mm_loadu_pd(l.z + j), _mm_loadu_pd(l.z + j - 1)));
        const __m128d T = _mm_mul_pd(_mm_loadu_pd(l.thickness0 + j),
                                     _mm_div_pd(_mm_sub_pd(one, p0), _mm_sub_pd(one, phi)));
        _mm_storeu_pd(l.lost + j, _mm_and_pd(_mm_cmpgt_pd(t, T), _mm_sub_pd(t, T)));
    }
    for (; j <= l.N; ++j) {
        settle_one<Uniform>(l, j);
    }
}

template <bool Uniform>
[[gnu::target("avx2")]] void settle_avx2(const Layers& l) {
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d sign = _mm256_set1_pd(-0.0);
    int j = 2;
    for (; j + 3 <= l.N; j += 4) {
        const __m256d p0 = Uniform ? _mm256_set1_pd(l.phi0[0]) : _mm256_loadu_pd(l.phi0 + j);
        const __m256d reduced = _mm256_mul_pd(p0, _mm256_loadu_pd(l.factor + j));
        const __m256d phi = _mm256_min_pd(_mm256_loadu_pd(l.porosity + j), reduced);
        _mm256_storeu_pd(l.porosity + j, phi);
        const __m256d t = _mm256_andnot_pd(
            sign, _mm256_sub_pd(_mm256_loadu_pd(l.z + j), _mm256_loadu_pd(l.z + j - 1)));
        const __m256d T =
            _mm256_mul_pd(_mm256_loadu_pd(l.thickness0 + j),
                          _mm256_div_pd(_mm256_sub_pd(one, p0), _mm256_sub_pd(one, phi)));
        _mm256_storeu_pd(l.lost + j,
                         _mm256_and_pd(_mm256_cmp_pd(t, T, _CMP_GT_OQ), _mm256_sub_pd(t, T)));
    }
    for (; j <= l.N; ++j) {
        settle_one<Uniform>(l, j);
    }
}

// The compaction of one column up to, not including, the movement: the
// porosity of every layer (stored) and the thickness each layer loses
// (`lost`, +0 where it keeps its thickness), from the positions before the
// pass, as the compaction equation (core/horizons.h) takes them.
void settle_column(double c, const double* z, double* porosity, const double* phi0,
                   const double* uniform_phi0, const double* thickness0, int N, bool avx2,
                   double* lost) {
    if (N < 2) {
        return;
    }
    double exponent[HORIZON_SLOTS];
    double factor[HORIZON_SLOTS];
    const double newest = z[N];
    for (int j = 2; j <= N; ++j) {
        exponent[j] = -c * std::fabs(newest - z[j]);
    }
    exponentials(exponent, factor, N);
    const bool uniform = uniform_phi0 != nullptr;
    const Layers l{z, porosity, uniform ? uniform_phi0 : phi0, thickness0, factor, lost, N};
    if (avx2) {
        uniform ? settle_avx2<true>(l) : settle_avx2<false>(l);
    } else {
        uniform ? settle_sse2<true>(l) : settle_sse2<false>(l);
    }
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
    __m128d all = _mm_castsi128_pd(_mm_set1_epi64x(-1));
    int m = 2;
    for (; m + 1 <= count; m += 2) {
        all = _mm_and_pd(all, _mm_cmpge_pd(_mm_loadu_pd(z + m - 1), _mm_loadu_pd(z + m)));
    }
    bool in_order = _mm_movemask_pd(all) == 0x3;
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
                      columns.avx2, lost);
    }
}

// The movement of a compaction: horizon j and every younger one go down by
// the sum of the losses of layers 2..h. One chain of sums per column, all
// columns of the group side by side; then each column's order is checked.
void move_compacted(ModelState& s, const RecordingColumns& columns, int h, int first, int last,
                    const double (*lost)[HORIZON_SLOTS]) {
    const int count = last - first + 1;
    double* z[kRecordingGroup];
    double shift[kRecordingGroup];
    for (int k = 0; k < count; ++k) {
        z[k] = s.horizon_z[first + k];
        shift[k] = 0.0;
    }
    if (count == kRecordingGroup) {
        for (int j = 2; j <= h; ++j) {
            for (int k = 0; k < kRecordingGroup; ++k) {
                shift[k] += lost[k][j];
                z[k][j] = z[k][j] + shift[k];
            }
        }
    } else {
        for (int k = 0; k < count; ++k) {
            for (int j = 2; j <= h; ++j) {
                shift[k] += lost[k][j];
                z[k][j] = z[k][j] + shift[k];
            }
        }
    }
    for (int k = 0; k < count; ++k) {
        columns.ordered[first + k] = column_in_order(z[k], h) ? 1 : 0;
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
