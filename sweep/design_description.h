#pragma once
// The description of a designed sample: TOML with `samples` and `seed` at
// the top, a [fixed] table of parameters every row shares (as --set takes
// them) and a [free] table of the parameters the design varies:
//
//   samples = 256
//   seed = 1
//   [fixed]
//   totaltime = 20000
//   depths = "0,5,10,15,20,30,40,50"
//   [free]
//   diff_coeff = [0.5, 4]                            # uniform between the two
//   basin_sed_rate = { range = [0.001, 0.1], scale = "log" }
//   includecompact = { values = [0, 1] }             # one of the listed values
//
// A free parameter takes one number: a scalar parameter or one element of
// an array (depths_3). A whole-number parameter takes a list of values.
// Every key is checked against the parameter table, and every value a row
// can take (the ends of a range, each listed value) against the dialogs'
// ranges (core/dialog_ranges.h) with the fixed values in place. Errors name
// the file and the line.
//
// Other commands read the same description with more in it (a [fit] table,
// the `method` of a kept design): the caller names the extra top-level
// tables and keys it understands, and gets them back untouched, with their
// source positions; anything else at the top level is refused.

#include <toml++/toml.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cli/parameter_file.h"

namespace vendrel {

struct FreeParameter {
    std::string key;
    double low = 0, high = 0;    // a range: low < high
    bool log = false;            // sampled uniformly in log(value)
    std::vector<double> values;  // a list of values instead of a range
    std::string origin;          // "d.toml: line 7"

    bool is_list() const { return !values.empty(); }
};

struct DesignDescription {
    std::int64_t samples = 0;  // 1 to kMaxDesignSamples
    std::uint64_t seed = 0;
    std::vector<ParameterSetting> fixed;  // in file order
    std::vector<FreeParameter> free;      // in file order, at least one
    toml::table extra;                    // the extra entries the caller asked for
};

constexpr std::int64_t kMaxDesignSamples = 1000000;

// What a caller accepts beyond the description itself.
struct DesignExtras {
    std::vector<std::string> tables;  // top-level tables, e.g. "fit"
    std::vector<std::string> keys;    // top-level values, e.g. "method"
};

// Throws UsageError naming `name` and the line.
DesignDescription parse_design_description(const std::string& text, const std::string& name,
                                           const DesignExtras& extras = {});
DesignDescription read_design_description(const std::string& path, const DesignExtras& extras = {});
// The text of a description file (a regular file of at most 1 MiB).
std::string read_design_text(const std::string& path);

}  // namespace vendrel
