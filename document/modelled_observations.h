#pragma once
// A run's value of each kind of datum the well observations hold
// (well_observations.h), by the definitions of stratigraphy.h, at the
// pseudo-well of the datum's x (pseudo_well.h: the nearest column):
//
//   elevation            of the surface of age a: elevation of the horizons
//                        at that column, linear in time between the two
//                        horizons whose ages bracket a
//   thickness            elevation(younger age) - elevation(older age), at
//                        least 0: what lies between the two surfaces now
//   depth_of_deposition, porosity
//                        of the layer laid down at age a: the values of
//                        layers h (stored at horizon h, h >= 2), linear in
//                        time between horizons; from the oldest horizon to
//                        the second, the second's layer (horizon 1 has none)
//   shoreline_x          the x of the horizons' shorelines
//                        (shoreline_trajectory.h), linear in time
//
// Ages count back from the newest horizon. A run records on whole time
// steps, so its horizons lie display_inc rounded down to a whole number of
// steps apart, and its oldest one can be younger than (count - 1) x
// display_inc by up to a step per recording: an age in that gap is the
// oldest horizon's (the surface the run started from). A datum the run
// cannot give (an age older still, a missing shoreline, a value that is not
// finite) is NaN.

#include <vector>

#include "document/project_data.h"
#include "document/shoreline_trajectory.h"
#include "document/stratigraphy.h"
#include "document/well_observations.h"

namespace vendrel {

class ModelledObservations {
  public:
    // Reads `data`, which must outlive this object.
    explicit ModelledObservations(const ProjectData& data);

    double value(const Observation& o) const;
    // The values of every datum, in order.
    std::vector<double> values(const std::vector<Observation>& data) const;

    // Kyr before the newest horizon of the oldest one (0 without horizons).
    double oldest_age_kyr() const;

  private:
    // The quantity at column c interpolated to age a: `at(h)` gives the
    // value of horizon h; horizons below `first` are not used.
    template <typename Value>
    double interpolate(double age_kyr, int first, Value at) const;
    double elevation(int column, double age_kyr) const;

    const ProjectData& data_;
    Stratigraphy section_;
    double age_limit_kyr_ = 0;  // (count - 1) x display_inc, or the oldest age
    std::vector<ShorelinePoint> shorelines_;
};

}  // namespace vendrel
