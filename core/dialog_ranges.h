#pragma once
// The ranges the parameter dialogs hold their values to, for telling where
// a project file or a command line goes outside them. Such values are not
// refused (a project may carry any value, and a run takes what it can run:
// core/run_admission.h); `vendrel-run --check` lists them as warnings.
//
// Model Dimensions: max_x 0 to 10000, max_y 0 to 1000; Simple Ramp Dip:
// ramp_dip 0 to 89.9; Arbitrary Platform: control_x_10 0 to max_x; Carbonate
// Factory: each depth 0 to 1000; Erosion Parameters: diff_coeff at least 0;
// Basinal Sedimentation: basin_sed_rate 0 to 1, basin_threshold 0 to 500;
// Sea-Level Variations: wave_1 0 to 100000, amp_1 0 to 100, the starting sea
// level 0 to 10000 m above the base (max_y - baselevel); Compaction: phizero
// and cvalue at least 0; Display Preferences: depth1..4, dist1..4 and
// bath_marker 0 to 1000; the thread count 0 to 2147483647.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/display_settings.h"
#include "core/model_parameters.h"

namespace vendrel {

struct RangeWarning {
    std::string key;  // "amp_1", "depths_3"
    double value = 0;
    std::string_view dialog;  // its caption
    double low = 0, high = 0;
    // baselevel, whose dialog shows the height above the base: `shown`.
    bool height_above_base = false;
    double shown = 0;

    // "amp_1 = 150 is outside the range of the Sea-Level Variations dialog: 0 to 100"
    std::string text() const;
};

// The range a dialog holds one key to by itself (a field, or an element
// as "depths_3"), high being the largest double where only the low end is
// held; nothing for keys no dialog holds by themselves (control_x_10 and
// baselevel depend on max_x and max_y).
struct DialogRange {
    std::string_view dialog;  // its caption
    double low = 0, high = 0;
};
std::optional<DialogRange> dialog_range(std::string_view key);

// Every value outside its dialog's range.
std::vector<RangeWarning> dialog_range_warnings(const ModelParameters& p,
                                                const DisplaySettings& display);

}  // namespace vendrel
