#pragma once
// Reading a measured sea-level curve from CSV. The first line is the
// header, either
//   time_kyr,sea_level_m   time from the run's start in thousands of years,
//                          increasing
//   age_ka,sea_level_m     age before the run's end in thousands of years,
//                          decreasing; time = totaltime - 1000 * age
// then one line per point "number,number" (sea level in metres, positive
// up). Spaces around a field and blank lines are allowed; CR LF line ends
// too. Each value is rounded as the project file stores it (six decimals
// of years and metres), so a run from the CSV and a run of its saved project
// are the same. Refused, with the line: a bad header or number, a number
// that is not finite, a time that repeats or goes back (after rounding),
// fewer than 2 or more than 1,000,000 points.

#include <memory>
#include <string>
#include <string_view>

#include "core/sea_level_curve.h"
#include "document/file_error.h"

namespace vendrel {

// Reads `text` as the curve file `name` (used in messages and as the
// curve's name). Throws FileError.
std::shared_ptr<const SeaLevelCurve> parse_sea_level_csv(std::string_view text,
                                                         const std::string& name, double totaltime);

// Reads the regular file at `path`; the curve is named after the file.
// Throws FileError.
std::shared_ptr<const SeaLevelCurve> read_sea_level_csv(const std::string& path, double totaltime);

// A value as the project file stores it: printed with six decimals and
// read back.
double stored_form(double value);

// The curve's name as a project line can hold it: the file name with
// control characters replaced by '?'.
std::string curve_name_of(const std::string& path);

}  // namespace vendrel
