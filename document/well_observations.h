#pragma once
// What was measured in wells or outcrops, to be compared with a run: CSV
// with a header line naming its columns (in any order), then one datum a
// line:
//
//   well_x_m             the well's position across the section, m (may be
//                        empty for shoreline_x, which is the section's)
//   quantity             elevation            of the surface of age_kyr, m
//                                             above the base
//                        thickness            between the surfaces of
//                                             age_from_kyr and age_to_kyr, m
//                        depth_of_deposition  of the layer of age_kyr, m
//                        porosity             of the layer of age_kyr, 0..1
//                        shoreline_x          where the shoreline of age_kyr
//                                             stood, m across the section
//   age_kyr              kyr before the newest horizon (all but thickness)
//   age_from_kyr, age_to_kyr  the two surfaces of a thickness, in either order
//   value, sigma         the measured value and its standard error (> 0)
//
// The columns a row does not use may be left empty or left out of the
// header. Spaces around a field, blank lines, lines starting with '#' and
// CR LF line ends are allowed. Refused with the line: an unknown column or
// quantity, a field that is not a finite number, a missing value the row
// needs, a sigma of 0 or less, a negative age. Definitions of the values:
// "Using the results" in the README (document/stratigraphy.h).

#include <string>
#include <string_view>
#include <vector>

#include "core/model_parameters.h"
#include "document/file_error.h"

namespace vendrel {

enum class ObservedQuantity { Elevation, Thickness, DepthOfDeposition, Porosity, ShorelineX };

const char* observed_quantity_name(ObservedQuantity q);

struct Observation {
    int line = 0;  // in the file
    ObservedQuantity quantity = ObservedQuantity::Elevation;
    double well_x = 0;      // NaN for a shoreline without a well
    double age_kyr = 0;     // the surface, or the older one of a thickness
    double age_to_kyr = 0;  // the younger surface of a thickness
    double value = 0;
    double sigma = 1;
};

// At most this many data in one file.
inline constexpr std::size_t kMaxObservations = 100000;

// Reads `text` as the file `name` (used in messages). Throws FileError
// naming the file and the line.
std::vector<Observation> parse_well_observations(std::string_view text, const std::string& name);

// Reads the regular file at `path`. Throws FileError.
std::vector<Observation> read_well_observations(const std::string& path);

// Refuses, naming the file and the line, a datum older than the run's
// oldest horizon (totaltime years, or the whole display_inc intervals that
// fit into it when display_inc does not divide it) or a well outside the
// section (0 <= x <= max_x). Throws FileError.
void check_observations_fit_run(const std::vector<Observation>& data, const std::string& name,
                                double totaltime, double display_inc, double max_x);

}  // namespace vendrel
