#pragma once
// The project file (.vdl): ASCII text, CR LF after every line.
//   A  43 parameter lines "key value..." in a fixed order, then
//      "display_current_disp N"
//   B  2000 lines "x_values x"
//   C  2000 x N lines "values z depth distance porosity", column by column,
//      slots 1..N within each column
//   D  N lines "sealevel_values level"
//   E  6 fault lines
//   F  only with a measured sea-level curve: "sea_level_curve NAME COUNT",
//      then COUNT lines "sea_level_point time level" (years from the run's
//      start, metres positive up)
// Reals are printed as "%lf" prints them in the C locale, integers as "%d".

#include <functional>
#include <string>
#include <string_view>

#include "document/project_data.h"

namespace vendrel {

std::string format_project_file(const ProjectData& data);

// The same text handed to `sink` in consecutive pieces of about a megabyte,
// so that a large project is never held whole in memory.
void write_project_file(const ProjectData& data, const std::function<void(std::string_view)>& sink);

// Writes the file atomically (see write_file_atomically); throws FileError.
void save_project_file(const std::string& path, const ProjectData& data);

}  // namespace vendrel
