#pragma once
// Whether a parameter set can be run, judged before the run starts.
//
// Faults, each naming the parameter, its value and why:
//   - a value that is not finite (every model parameter a run reads);
//   - totaltime or display_inc at most 0: the run takes no step or records
//     nothing;
//   - max_x or max_y at most 0: the section has no width or no height;
//   - cvalue below 0: porosity would grow with burial;
//   - diff_coeff below 0: the diffusion amplifies every bump and the run
//     diverges;
//   - phizero 1 or more while compaction is on: the compacted thickness
//     divides by 1 - porosity and the run diverges.
// Equal neighbouring depths of the production curve and unordered curves
// are defined and stay allowed.
//
// A run asked for from a script (the runner, a sweep) refuses every fault,
// and a run whose recordings overrun the horizon slots unless an early end
// is allowed (core/recording_plan.h). The window keeps the runs that merely
// take no step or record nothing, says so when they end, and refuses only
// the faults whose run diverges.

#include <optional>
#include <string>
#include <vector>

namespace vendrel {

struct ModelParameters;

struct ParameterFault {
    std::string key;  // "diff_coeff", or "depths_3" for an element
    double value = 0;
    std::string reason;     // "must be at least 0: ..."
    bool diverges = false;  // the run's values would grow without bound

    // "diff_coeff = -1: must be at least 0: ..."
    std::string text() const;
};

// Every fault of `p`, in the order of the parameter table.
std::vector<ParameterFault> parameter_faults(const ModelParameters& p);

// Why a run asked for from a script does not start, as one line.
struct RunRefusal {
    std::string text;
    // The refusal is the early end only: the run would go with it allowed.
    bool early_end = false;
};

// The first fault of `p`; then a measured sea-level curve that does not
// span the run; then, unless `allow_early_end`, a run whose recordings
// overrun the slots, naming the smallest display_inc that fits.
// Nothing when the run may start.
std::optional<RunRefusal> refuse_script_run(const ModelParameters& p, bool allow_early_end);

// A number as text in its shortest exact form ("0.25", "1e+120", "inf").
std::string shortest_text(double value);

}  // namespace vendrel
