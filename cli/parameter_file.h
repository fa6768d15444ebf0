#pragma once
// Parameter files for --params: TOML, one `key = value` per line at the top
// level, keys being the parameter table's code names (`vendrel-run
// --list-params`):
//
//   totaltime = 2000
//   depths = "0,5,10,15,20,30,40,50"    # as --set takes it
//   rates = [0, 10, 6, 3, 1, 1, 0.5, 0.2]
//   depths_3 = 12                        # one element, from 1
//
// Values are numbers, strings in --set's form or arrays of numbers; each is
// handed to assign_parameter() as --set would hand it, in the order of the
// file, so a file and the same --set options store the same values.

#include <toml++/toml.h>

#include <optional>
#include <string>
#include <vector>

namespace vendrel {

// One key = value of a parameter source, with where it came from for
// messages ("p.toml: line 3", "--set").
struct ParameterSetting {
    std::string key;
    std::string value;  // as --set takes it
    std::string origin;
};

// Reads the file's settings in file order. Throws UsageError, naming the
// file and line, for a file that does not read, is not TOML, or holds a
// table or a value that is not a number, string or array of numbers.
std::vector<ParameterSetting> read_parameter_file(const std::string& path);

// A TOML value as --set takes it: a string as it is, a number in its
// shortest form, an array of numbers joined by commas. Nothing for a table
// or another kind of value (the caller says what it expected); throws
// UsageError ("WHERE: LABEL: an array holds numbers only") for an array
// that holds anything but numbers.
std::optional<std::string> toml_setting_text(const toml::node& node, const std::string& label,
                                             const std::string& where);

}  // namespace vendrel
