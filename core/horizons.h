#pragma once
// Horizon recording and compaction.
//
// A recording freezes the surface in slot h of every column with the water
// depth (surface minus sea level, 0 on land) and the distance to the nearest
// other column at or above sea level (at most 10000 m); older horizons that
// lie above the new one (eroded below) are brought down onto it; the new
// layer starts with porosity phizero and its thickness at recording.
//
// Compaction (Athy): for the layer of slot j, buried b below the newest
// published horizon N, porosity = min(phi0 exp(-c b), current porosity);
// keeping the solid volume, its thickness becomes
//   T = thickness0 (1 - phi0) / (1 - porosity),
// and when the layer is thicker than T, horizon j and every younger one move
// down by the difference.

#include <vector>

namespace vendrel {

struct ModelParameters;
struct ModelState;

inline constexpr double kNoLandDistance = 10000.0;

// For each column, the nearest other column at or above sea level L on its
// left and on its right (0 where there is none). The distance search needs
// only these two when x_values is monotonic.
struct LandNeighbours {
    std::vector<int> left, right;
    bool x_monotonic = true;
};
void find_land_neighbours(const ModelState& s, double L, LandNeighbours& out);

// Distance from column i to the nearest other land column, as the full
// search over every column gives it.
double land_distance(const ModelState& s, double L, int i, const LandNeighbours& n);
double land_distance_by_search(const ModelState& s, double L, int i);

// Slot h of column i: position, water depth and distance.
void record_horizon_column(ModelState& s, double L, int i, int h, const LandNeighbours& n);

// Truncation of column i's older horizons by slot h, then the new layer's
// thickness0, phi0 and porosity. The truncation returns the lowest slot it
// changed, h when it changed none.
int truncate_horizons_column(ModelState& s, int i, int h);
void set_new_layer_column(const ModelParameters& p, ModelState& s, int i, int h);

// Porosity of a layer buried b below the newest horizon (never increases),
// and the thickness that keeps its solid volume at porosity phi.
double compacted_porosity(double c, double phi0, double current, double b);
double compacted_thickness(double thickness0, double phi0, double phi);

// One compaction pass over slots 2..N of column i. Moving horizon j and all
// younger ones down for each thinned layer j is done as one accumulated
// movement carried up the column: the same as moving them layer by layer,
// to rounding.
void compact_column(const ModelParameters& p, ModelState& s, int i, int N);

}  // namespace vendrel
