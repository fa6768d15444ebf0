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

}  // namespace vendrel
