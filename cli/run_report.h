#pragma once
// What one run of the runner did, and its machine-readable form (--json,
// --summary): program and version, the parameters the command line or the
// parameter file set (key and the value stored), steps, horizons, wall
// time, the time simulated, the metrics of run_metrics.h and the outputs
// written.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/run_metrics.h"

namespace vendrel {

struct RunReport {
    // Each key as given, with the value(s) the parameter holds after it
    // was set; in the order they were applied, a key set twice once.
    std::vector<std::pair<std::string, std::vector<double>>> parameters;
    bool ran = false;  // false with --no-run
    std::int64_t steps = 0;
    int horizons = 0;
    double wall_seconds = 0;
    // Years the results reach: the time of the run's last step (with
    // --no-run, of the newest horizon). totaltime keeps what was asked for.
    double simulated_time = 0;
    // The run ended at the last horizon slot before its totaltime.
    bool ended_at_slot_limit = false;
    RunMetrics metrics;
    std::vector<std::string> outputs;  // paths as given
    // The measured sea-level curve's name, when the run followed one.
    std::optional<std::string> sea_level_file;
};

// One JSON object, ending with a line feed.
std::string run_report_json(const RunReport& report);

}  // namespace vendrel
