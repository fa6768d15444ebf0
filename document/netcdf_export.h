#pragma once
// Results as a NetCDF-4 file following the CF conventions 1.8.
//
// Dimensions horizon (N) and column (2000), and well when pseudo-wells are
// asked for. Coordinates: horizon (1..N), column (1..2000), x (m, per
// column), time and age (kyr, per horizon; plain numbers, no reference
// date, so readers decode no calendar). Variables over (horizon, column):
// z (positive down), elevation (positive up), depth_of_deposition,
// distance_from_shore, porosity, thickness, hiatus and subaerial; over horizon:
// sea_level_z and sea_level_elevation; over forcing_time, when the run
// followed a measured curve: sea_level_forcing; over column: initial_surface_z; over
// (well, horizon): the pseudo-wells' logs. Every parameter is a global
// attribute under its code name, with "<name>_units" beside it. Values
// that are not finite or not defined hold _FillValue. Definitions:
// stratigraphy.h.
//
// The file is built in memory (the library's in-memory mode) and handed
// back as bytes, so that it is saved like any other output: through an
// AtomicFile or with the other outputs of a SaveSet. It carries no date or
// time: the same results give the same bytes. Data are chunked and
// compressed (deflate level 1 with shuffle).

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "document/project_data.h"

namespace vendrel {

struct NetcdfExport {
    // Where the results came from: the command line of the run or the
    // project file they were read from (the "history" attribute).
    std::string history;
    // Positions (m) of pseudo-wells to include; any order, repeats allowed.
    std::vector<double> well_x;
};

// Builds the file and calls `write` once with its bytes (an AtomicFile's
// write, for one). Throws WellOutsideSectionError (pseudo_well.h) for a
// well outside the section, FileError when the library fails, and what
// `write` throws.
void write_netcdf(const ProjectData& data, const NetcdfExport& options,
                  const std::function<void(std::string_view)>& write);

// The file's bytes; throws as write_netcdf.
std::string format_netcdf(const ProjectData& data, const NetcdfExport& options);

// Writes the file to `path` through an AtomicFile.
void save_netcdf(const std::string& path, const ProjectData& data, const NetcdfExport& options);

}  // namespace vendrel
