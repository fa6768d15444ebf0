#pragma once
// Results as a NetCDF-4 file following the CF conventions 1.8.
//
// Its variables, their dimensions and attributes are those of the table in
// output_variables.h, defined in its order: coordinates horizon (1..N),
// column (1..2000, over x), x (m, the dimension of the columns), time and
// age (kyr, per horizon; plain numbers, no reference date, so readers
// decode no calendar); the section over (horizon, x); the shoreline,
// sea level and platform margin over horizon; the initial surface over x;
// the pseudo-wells over well and (well, horizon) when some are asked for;
// the measured sea-level curve a run followed over forcing_time, with the
// curve's file name in the attribute source_file; a history too long for
// its attribute whole in the variable history. Every parameter is a
// global attribute under its code name, with "<name>_units" beside it.
// Values that are not finite or not defined hold _FillValue. Definitions:
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
