#include "core/run_admission.h"

#include <charconv>
#include <cmath>

#include "core/model_parameters.h"
#include "core/parameter_fields.h"
#include "core/recording_plan.h"
#include "core/sea_level_curve.h"

namespace vendrel {
namespace {

// The fault of one finite value of `field`, if it has one.
std::optional<ParameterFault> value_fault(const ModelParameters& p, std::string_view field,
                                          double v) {
    const auto fault = [&](const char* reason, bool diverges) {
        return ParameterFault{std::string(field), v, reason, diverges};
    };
    if (field == "totaltime" && v <= 0) {
        return fault("must be above 0: the run would take no step", false);
    }
    if (field == "display_inc" && v <= 0) {
        return fault("must be above 0: the run would record nothing", false);
    }
    if (field == "max_x" && v <= 0) {
        return fault("must be above 0: the section would have no width", false);
    }
    if (field == "max_y" && v <= 0) {
        return fault("must be above 0: the section would have no height", false);
    }
    if (field == "cvalue" && v < 0) {
        return fault("must be at least 0: porosity would grow with burial", false);
    }
    if (field == "diff_coeff" && v < 0) {
        return fault("must be at least 0: negative diffusion makes the run diverge", true);
    }
    if (field == "phizero" && v >= 1 && p.includecompact == 1) {
        return fault(
            "must be below 1 while compaction is on (includecompact = 1): the compacted "
            "thickness divides by 1 - porosity and the run diverges",
            true);
    }
    return std::nullopt;
}

// Thousands of years to six significant digits ("5", "20", "4.99").
std::string ka_text(double years) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, years / 1000, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string shortest_text(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string ParameterFault::text() const {
    return key + " = " + shortest_text(value) + ": " + reason;
}

std::vector<ParameterFault> parameter_faults(const ModelParameters& p) {
    static const DisplaySettings kNoDisplay;
    std::vector<ParameterFault> faults;
    for (const ParameterField& field : parameter_fields()) {
        // Flags and counts are whole numbers; the display settings and the
        // ramp's dip (the dialogs' own, derived from the section) are not
        // read by a run.
        if (field.is_display() || field.is_integer() || field.name == "ramp_dip") {
            continue;
        }
        for (int k = 0; k < field.count(); ++k) {
            const double v = field_value(field, p, kNoDisplay, k);
            std::string key(field.name);
            if (field.count() > 1) {
                key += '_';
                key += std::to_string(k + 1);
            }
            if (!std::isfinite(v)) {
                faults.push_back({key, v, "is not a finite number", true});
            } else if (auto fault = value_fault(p, field.name, v)) {
                faults.push_back(*fault);
            }
        }
    }
    return faults;
}

std::optional<RunRefusal> refuse_script_run(const ModelParameters& p, bool allow_early_end) {
    const std::vector<ParameterFault> faults = parameter_faults(p);
    if (!faults.empty()) {
        return RunRefusal{faults.front().text(), false};
    }
    if (const std::string uncovered = sea_level_curve_refusal(p); !uncovered.empty()) {
        return RunRefusal{"cannot run: " + uncovered, false};
    }
    const RecordingPlan plan = plan_recordings(p);
    if (allow_early_end || plan.fits()) {
        return std::nullopt;
    }
    // Where only the recording at the last step finds no slot, the run
    // reaches its end but leaves its final surface unrecorded.
    const std::string outcome = plan.simulated_time() >= p.totaltime
                                    ? "the recording at its last step would find no slot"
                                    : "it would end at " + ka_text(plan.simulated_time()) + " of " +
                                          ka_text(p.totaltime) + " ka";
    return RunRefusal{"display_inc = " + shortest_text(p.display_inc) + ": the run would record " +
                          std::to_string(plan.recordings) + " horizons every " +
                          std::to_string(plan.steps_per_record) + " time steps of " +
                          shortest_text(plan.dt) + " yr, but " + std::to_string(kRecordingRoom) +
                          " fit after the initial surface: " + outcome +
                          "; the smallest display_inc that fits is " +
                          shortest_text(smallest_fitting_display_inc(p)),
                      true};
}

}  // namespace vendrel
