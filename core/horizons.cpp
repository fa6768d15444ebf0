#include "core/horizons.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/model_parameters.h"
#include "core/model_state.h"

namespace vendrel {
namespace {

bool is_land(double surface, double L) {
    return L >= surface;
}

// Smaller of a candidate distance and the best so far; a NaN candidate loses.
double closer(double best, double candidate) {
    return candidate < best ? candidate : best;
}

// Two layers at a time: porosity, and the thickness the layer loses,
// t - T where it is thicker than T and +0 elsewhere (so adding it leaves
// the movement, never below +0, as it is). The operations are the scalar
// ones, lane by lane; std::min(a, b) is b < a ? b : a.
using Double2 = double __attribute__((vector_size(16)));
using Mask2 = long long __attribute__((vector_size(16)));
constexpr long long kNoSign = 0x7fffffffffffffffLL;

Double2 load2(const double* p) {
    Double2 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void settle_layers(const double* z, double* porosity, const double* phi0, const double* thickness0,
                   const double* factor, double* lost) {
    const Double2 one = {1.0, 1.0};
    const Double2 zero = {0.0, 0.0};
    const Double2 reduced = load2(phi0) * load2(factor);
    const Double2 current = load2(porosity);
    const Double2 phi = current < reduced ? current : reduced;
    std::memcpy(porosity, &phi, sizeof phi);
    // |z[j] - z[j - 1]|: the sign bit cleared, as fabs does.
    const Mask2 magnitude = Mask2(load2(z) - load2(z - 1)) & Mask2{kNoSign, kNoSign};
    const Double2 t = Double2(magnitude);
    const Double2 T = load2(thickness0) * ((one - load2(phi0)) / (one - phi));
    const Double2 thinned = t - T;
    const Double2 loss = t > T ? thinned : zero;
    std::memcpy(lost, &loss, sizeof loss);
}

}  // namespace

void find_land_neighbours(const ModelState& s, double L, LandNeighbours& out) {
    out.left.assign(COLUMN_SLOTS, 0);
    out.right.assign(COLUMN_SLOTS, 0);
    bool increasing = true;
    bool decreasing = true;
    for (int i = 2; i <= COLUMN_COUNT; ++i) {
        increasing = increasing && s.x_values[i] >= s.x_values[i - 1];
        decreasing = decreasing && s.x_values[i] <= s.x_values[i - 1];
    }
    out.x_monotonic = increasing || decreasing;
    int last = 0;
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        out.left[i] = last;
        if (is_land(s.surface[i], L)) {
            last = i;
        }
    }
    last = 0;
    for (int i = COLUMN_COUNT; i >= 1; --i) {
        out.right[i] = last;
        if (is_land(s.surface[i], L)) {
            last = i;
        }
    }
}

double land_distance_by_search(const ModelState& s, double L, int i) {
    double best = kNoLandDistance;
    for (int j = 1; j <= COLUMN_COUNT; ++j) {
        if (j != i && is_land(s.surface[j], L)) {
            best = closer(best, std::fabs(s.x_values[i] - s.x_values[j]));
        }
    }
    return best;
}

double land_distance(const ModelState& s, double L, int i, const LandNeighbours& n) {
    if (!n.x_monotonic) {
        return land_distance_by_search(s, L, i);
    }
    // Along monotonic positions the nearest land on each side is the
    // nearest by index.
    double best = kNoLandDistance;
    if (n.left[i] != 0) {
        best = closer(best, std::fabs(s.x_values[i] - s.x_values[n.left[i]]));
    }
    if (n.right[i] != 0) {
        best = closer(best, std::fabs(s.x_values[i] - s.x_values[n.right[i]]));
    }
    return best;
}

void record_horizon_column(ModelState& s, double L, int i, int h, const LandNeighbours& n) {
    const double surface = s.surface[i];
    s.horizon_z[i][h] = surface;
    const double depth = surface - L;
    s.horizon_depth[i][h] = depth < 0 ? 0.0 : depth;
    s.horizon_distance[i][h] = land_distance(s, L, i, n);
}

int truncate_horizons_column(ModelState& s, int i, int h) {
    // `lowest` is horizon m after truncation; it replaces the older horizon
    // where it lies deeper. Written as selects, so no branch mispredicts.
    double* z = s.horizon_z[i];
    double lowest = z[h];
    int cut = h;
    for (int m = h; m >= 2; --m) {
        const double older = z[m - 1];
        cut = lowest > older ? m - 1 : cut;
        lowest = lowest > older ? lowest : older;
        z[m - 1] = lowest;
    }
    return cut;
}

void set_new_layer_column(const ModelParameters& p, ModelState& s, int i, int h) {
    const double* z = s.horizon_z[i];
    s.horizon_thickness0[i][h] = std::fabs(z[h] - z[h - 1]);
    s.horizon_phi0[i][h] = p.phizero;
    s.horizon_porosity[i][h] = p.phizero;
}

// Porosity of a layer buried b below the newest horizon; never increases.
double compacted_porosity(double c, double phi0, double current, double b) {
    return std::min(phi0 * std::exp(-c * b), current);
}

// Thickness that keeps the layer's solid volume at porosity phi.
double compacted_thickness(double thickness0, double phi0, double phi) {
    return thickness0 * ((1 - phi0) / (1 - phi));
}

void compact_column(const ModelParameters& p, ModelState& s, int i, int N) {
    double* z = s.horizon_z[i];
    double* porosity = s.horizon_porosity[i];
    const double* phi0 = s.horizon_phi0[i];
    const double* thickness0 = s.horizon_thickness0[i];
    const double c = p.cvalue;
    // Burial depths and thicknesses are differences of horizons that move
    // together, so they are taken from the positions before this pass; only
    // the accumulated movement is carried up the column. That keeps the
    // layers independent of each other but for that sum, so the pass runs
    // in stages: the exponents, their exponentials, porosity and lost
    // thickness of every layer (two at a time), and last the running sum of
    // the movement.
    //
    // Layers that were never deposited (on land, in water too deep for any
    // sediment) lie at the burial depth of the layer below them: their
    // exponential is that layer's, so it is taken again, not recomputed.
    if (N < 2 || N > MAX_HORIZON_SLOT) {
        return;
    }
    double factor[HORIZON_SLOTS];
    double lost[HORIZON_SLOTS];
    const double newest = z[N];
    for (int j = 2; j <= N; ++j) {
        factor[j] = -c * std::fabs(newest - z[j]);
    }
    double last_exponent = std::numeric_limits<double>::quiet_NaN();
    double last_factor = 0.0;
    for (int j = 2; j <= N; ++j) {
        if (!(factor[j] == last_exponent)) {
            last_exponent = factor[j];
            last_factor = std::exp(last_exponent);
        }
        factor[j] = last_factor;
    }
    int j = 2;
    for (; j + 1 <= N; j += 2) {
        settle_layers(z + j, porosity + j, phi0 + j, thickness0 + j, factor + j, lost + j);
    }
    for (; j <= N; ++j) {
        const double phi = std::min(phi0[j] * factor[j], porosity[j]);
        porosity[j] = phi;
        const double t = std::fabs(z[j] - z[j - 1]);
        const double T = compacted_thickness(thickness0[j], phi0[j], phi);
        lost[j] = t > T ? t - T : 0.0;
    }
    double shift = 0.0;
    for (int j = 2; j <= N; ++j) {
        shift += lost[j];
        z[j] = z[j] + shift;
    }
}

}  // namespace vendrel
