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

// Truncation of column i's older horizons by slot h: each older horizon
// that lies above the new one (eroded) is brought down onto it. Returns the
// lowest slot it changed, h when it changed none. The recording pass
// (core/recording_pass.h) records, truncates and compacts the columns.
int truncate_horizons_column(ModelState& s, int i, int h);

}  // namespace vendrel
