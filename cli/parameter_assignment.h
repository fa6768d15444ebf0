#pragma once

#include <optional>
#include <string_view>

#include "core/display_settings.h"
#include "core/model_parameters.h"

namespace vendrel {

// A whole decimal number in the C locale ("1e3", "-0.5", "inf", "nan"), or
// nothing when any character is left over.
std::optional<double> parse_real_strict(std::string_view text);
// A whole int32 ("-12"), or nothing.
std::optional<int> parse_int_strict(std::string_view text);

// Stores `value` into the parameter `name` (a field's code name, or
// <field>_<k> for one element of an array) as a project-file line would: no
// other value changes. A whole array takes its values separated by commas.
// Throws UsageError for an unknown name, a malformed value or a number that
// is not finite; the message names the parameter, not where it came from.
void assign_parameter(ModelParameters& p, DisplaySettings& display, std::string_view name,
                      std::string_view value);

}  // namespace vendrel
