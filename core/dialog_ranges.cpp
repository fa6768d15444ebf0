#include "core/dialog_ranges.h"

#include <cstdint>
#include <limits>

#include "core/parameter_fields.h"
#include "core/run_admission.h"

namespace vendrel {
namespace {

constexpr double kNoLimit = std::numeric_limits<double>::max();

struct Range {
    std::string_view key;  // a field, or an element as <name>_<k>
    std::string_view dialog;
    double low, high;
};

// clang-format off
const Range kRanges[] = {
    {"max_x", "Model Dimensions", 0, 10000},
    {"max_y", "Model Dimensions", 0, 1000},
    {"ramp_dip", "Simple Ramp Dip", 0, 89.9},
    {"depths_1", "Carbonate Factory", 0, 1000}, {"depths_2", "Carbonate Factory", 0, 1000},
    {"depths_3", "Carbonate Factory", 0, 1000}, {"depths_4", "Carbonate Factory", 0, 1000},
    {"depths_5", "Carbonate Factory", 0, 1000}, {"depths_6", "Carbonate Factory", 0, 1000},
    {"depths_7", "Carbonate Factory", 0, 1000}, {"depths_8", "Carbonate Factory", 0, 1000},
    {"diff_coeff", "Erosion Parameters", 0, kNoLimit},
    {"basin_sed_rate", "Basinal Sedimentation", 0, 1},
    {"basin_threshold", "Basinal Sedimentation", 0, 500},
    {"wave_1", "Sea-Level Variations", 0, 100000},
    {"amp_1", "Sea-Level Variations", 0, 100},
    {"phizero", "Compaction", 0, kNoLimit},
    {"cvalue", "Compaction", 0, kNoLimit},
    {"depth1", "Display Preferences", 0, 1000}, {"depth2", "Display Preferences", 0, 1000},
    {"depth3", "Display Preferences", 0, 1000}, {"depth4", "Display Preferences", 0, 1000},
    {"dist1", "Display Preferences", 0, 1000}, {"dist2", "Display Preferences", 0, 1000},
    {"dist3", "Display Preferences", 0, 1000}, {"dist4", "Display Preferences", 0, 1000},
    {"bath_marker", "Display Preferences", 0, 1000},
    {"omp_threads", "thread count", 0, double(std::numeric_limits<std::int32_t>::max())},
};
// clang-format on

bool outside(double v, double low, double high) {
    return v < low || v > high;
}

}  // namespace

std::string RangeWarning::text() const {
    const std::string range = high == kNoLimit ? "at least " + shortest_text(low)
                                               : shortest_text(low) + " to " + shortest_text(high);
    std::string text = key + " = " + shortest_text(value) + " is outside the range of the " +
                       std::string(dialog) + " dialog: ";
    if (height_above_base) {
        return text + "a starting sea level " + range +
               " m above the base (max_y - baselevel = " + shortest_text(shown) + ")";
    }
    return text + range;
}

std::optional<DialogRange> dialog_range(std::string_view key) {
    for (const Range& r : kRanges) {
        if (r.key == key) {
            return DialogRange{r.dialog, r.low, r.high};
        }
    }
    return std::nullopt;
}

std::vector<RangeWarning> dialog_range_warnings(const ModelParameters& p,
                                                const DisplaySettings& display) {
    std::vector<RangeWarning> warnings;
    for (const Range& r : kRanges) {
        const std::optional<ParameterKey> key = find_parameter_key(r.key);
        const double v = field_value(*key->field, p, display, key->element.value_or(0));
        if (outside(v, r.low, r.high)) {
            warnings.push_back({std::string(r.key), v, r.dialog, r.low, r.high});
        }
    }
    // The last control point lies within the section.
    if (outside(p.control_x[9], 0, p.max_x)) {
        warnings.push_back({"control_x_10", p.control_x[9], "Arbitrary Platform", 0, p.max_x});
    }
    // The starting sea level is entered as a height above the base.
    const double height = p.max_y - p.baselevel;
    if (outside(height, 0, 10000)) {
        warnings.push_back(
            {"baselevel", p.baselevel, "Sea-Level Variations", 0, 10000, true, height});
    }
    return warnings;
}

}  // namespace vendrel
