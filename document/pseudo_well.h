#pragma once
// A pseudo-well: the vertical log of the section at one position x, taken
// from the column nearest to x (the lower-numbered column when two are
// equally near). From the oldest horizon up it gives each horizon's time,
// age, z, elevation and burial depth, and the thickness, depth of
// deposition, distance from shore and porosity of the layer below it: an
// age-depth model of that column. Definitions: stratigraphy.h.
//
// The section spans 0 <= x <= max_x; a position outside it (or not a
// number) is refused.

#include <stdexcept>
#include <vector>

#include "document/stratigraphy.h"

namespace vendrel {

class WellOutsideSectionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Throws WellOutsideSectionError unless 0 <= x <= max_x.
void check_well_position(const ModelParameters& p, double x);

// The column nearest to x (1..2000) of the positions x_values[1..2000].
// Throws WellOutsideSectionError.
int well_column(const ModelParameters& p, const double* x_values, double x);
int well_column(const ProjectData& data, double x);

// The positions in increasing order, each once: the order and the set of
// the wells every export writes.
std::vector<double> sorted_well_positions(std::vector<double> positions);

struct WellSample {
    int horizon = 0;
    double time_kyr = 0;
    double age_kyr = 0;
    double z = 0;
    double elevation = 0;
    double burial_depth = 0;
    // Of the layer below the horizon: NaN for horizon 1, which has none.
    double thickness = 0;
    double depth_of_deposition = 0;
    double distance_from_shore = 0;
    double porosity = 0;
    // Accommodation created since the horizon below, m: the layer's
    // thickness plus the change of the water depth it was laid down in,
    // (z(h - 1) - z(h)) + d(h) - d(h - 1), which is the sea level's rise
    // plus the column's subsidence over the interval. NaN for horizons 1
    // and 2 (horizon 1 holds no depth of its own), where either depth is 0
    // (land, where the water depth is not known) and where a value is not
    // finite.
    double accommodation_created = 0;
};

struct PseudoWell {
    double x = 0;                     // where it was asked for
    int column = 0;                   // the column it logs
    double column_x = 0;              // that column's position
    std::vector<WellSample> samples;  // horizon 1 (oldest) first
};

// Throws WellOutsideSectionError.
PseudoWell make_pseudo_well(const Stratigraphy& section, double x);
// The same straight from the model, reading its one column only: for a log
// that follows a run, where a copy of the whole section at every picture
// would hold the run up. The caller holds the model's guard.
PseudoWell read_pseudo_well(const ModelParameters& p, const ModelState& s, double x);

}  // namespace vendrel
