#include "cli/script_run.h"

#include <algorithm>
#include <new>
#include <string>

#include "cli/parameter_assignment.h"
#include "cli/run_options.h"
#include "cli/run_report.h"
#include "cli/sea_level_request.h"
#include "core/parameter_fields.h"
#include "core/recording_plan.h"
#include "core/run_admission.h"
#include "core/simulation.h"
#include "core/thread_count.h"

namespace vendrel {

ModelParameters startup_parameters() {
    return make_startup_parameters(default_thread_count());
}

void apply_settings(const std::vector<ParameterSetting>& settings, ModelParameters& edited,
                    DisplaySettings& display, RunReport& report) {
    for (const ParameterSetting& s : settings) {
        try {
            assign_parameter(edited, display, s.key, s.value);
        } catch (const UsageError& e) {
            throw UsageError(s.origin + ": " + e.what());
        }
    }
    for (const ParameterSetting& s : settings) {
        const ParameterKey key = *find_parameter_key(s.key);
        std::vector<double> values;
        if (key.element) {
            values.push_back(field_value(*key.field, edited, display, *key.element));
        } else {
            for (int k = 0; k < key.field->count(); ++k) {
                values.push_back(field_value(*key.field, edited, display, k));
            }
        }
        const auto known = std::find_if(report.parameters.begin(), report.parameters.end(),
                                        [&](const auto& p) { return p.first == s.key; });
        if (known == report.parameters.end()) {
            report.parameters.emplace_back(s.key, values);
        } else {
            known->second = values;
        }
    }
}

bool run_to_end(Simulation& sim, const ModelParameters& edited, bool allow_early_end,
                std::string_view early_end_hint, RunReport& report,
                std::chrono::milliseconds interval, const std::function<bool()>& poll) {
    if (const auto refusal = refuse_script_run(edited, allow_early_end)) {
        throw RunRefused(refusal->text +
                         (refusal->early_end ? std::string(early_end_hint) : std::string()));
    }
    report.ended_at_slot_limit = !plan_recordings(edited).fits();
    sim.change_parameters([&](ModelParameters& p) { p = edited; });
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    sim.start_run();
    try {
        while (!sim.wait_until_idle(interval)) {
            if (!poll()) {
                sim.stop_and_wait();
                return false;
            }
        }
    } catch (...) {
        sim.stop_and_wait();
        throw;
    }
    if (sim.run_lacked_memory()) {
        throw std::bad_alloc();
    }
    report.ran = true;
    report.wall_seconds = std::chrono::duration<double>(Clock::now() - start).count();
    report.steps = sim.steps_taken();
    return true;
}

}  // namespace vendrel
