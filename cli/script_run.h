#pragma once
// A run asked for from a script, as the runner and the Python module make
// it: the model the program has after start-up, the settings stored as a
// project-file line would store them, the run refused when the runner
// refuses it, then run to its end while the caller looks in between.

#include <chrono>
#include <functional>
#include <string_view>
#include <vector>

#include "cli/parameter_file.h"
#include "core/display_settings.h"
#include "core/model_parameters.h"

namespace vendrel {

class Simulation;
struct RunReport;

// The parameters of a new model as the program has them after start-up.
ModelParameters startup_parameters();

// Stores every setting into `edited` and `display` in order (a later one
// wins) and notes in `report` what each parameter holds afterwards. Throws
// UsageError naming the setting's origin and key.
void apply_settings(const std::vector<ParameterSetting>& settings, ModelParameters& edited,
                    DisplaySettings& display, RunReport& report);

// Refuses `edited` as a script's run is refused (RunRefused, one line
// naming the key, the value and why; `early_end_hint` follows a refusal
// that allowing the early end would lift), stores it into the model and runs it
// to its end. `poll` is called every `interval` while the run goes on;
// when it returns false the run is stopped and run_to_end returns false.
// When `poll` throws, the run is stopped before the exception goes on.
// Fills in `report` (ran, steps, wall time, the early end at the slot
// limit). Throws std::bad_alloc when the run ran out of memory.
bool run_to_end(Simulation& sim, const ModelParameters& edited, bool allow_early_end,
                std::string_view early_end_hint, RunReport& report,
                std::chrono::milliseconds interval, const std::function<bool()>& poll);

}  // namespace vendrel
