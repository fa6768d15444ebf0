#pragma once
// The measured sea-level curve a runner command asks for: --sea-level
// FILE.csv, --no-sea-level-file (back to the sinusoids), or a parameter
// file's `sea_level_file = "FILE.csv"`, a relative name being taken from
// the parameter file's folder. The command line wins over the parameter
// file; without any, the project keeps its curve.

#include <stdexcept>
#include <string>
#include <vector>

#include "cli/parameter_file.h"

namespace vendrel {

struct ModelParameters;
struct RunOptions;

// The parameter file key naming a curve.
inline constexpr const char* kSeaLevelFileKey = "sea_level_file";

struct SeaLevelRequest {
    enum class Kind { Keep, File, Sinusoids };
    Kind kind = Kind::Keep;
    std::string path;
    std::string origin;  // "--sea-level", "p.toml: line 3"
};

// A run the parameters cannot make (values it cannot use, a curve that does
// not span it, recordings beyond the slots): exit status 2.
class RunRefused : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Takes the sea_level_file settings out of `settings` (the --params file's
// and --set's) and combines the last with the command line's options.
// Throws UsageError for --sea-level with --no-sea-level-file.
SeaLevelRequest take_sea_level_request(const RunOptions& options,
                                       std::vector<ParameterSetting>& settings);

// Reads the curve into `p` (ages with p.totaltime) or drops it. Throws
// UsageError naming the origin when the file does not read.
void apply_sea_level_request(const SeaLevelRequest& request, ModelParameters& p);

}  // namespace vendrel
