#include "core/horizons.h"

#include <algorithm>
#include <cmath>

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

void truncate_horizons_column(ModelState& s, int i, int h) {
    double* z = s.horizon_z[i];
    for (int m = h; m >= 2; --m) {
        if (z[m] > z[m - 1]) {
            z[m - 1] = z[m];
        }
    }
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
    // exponentials of different layers independent of each other.
    const double newest = z[N];
    double below = z[1];
    double shift = 0.0;
    for (int j = 2; j <= N; ++j) {
        const double here = z[j];
        const double phi = compacted_porosity(c, phi0[j], porosity[j], std::fabs(newest - here));
        porosity[j] = phi;
        const double t = std::fabs(here - below);
        const double T = compacted_thickness(thickness0[j], phi0[j], phi);
        if (t > T) {
            shift += t - T;
        }
        z[j] = here + shift;
        below = here;
    }
}

}  // namespace vendrel
