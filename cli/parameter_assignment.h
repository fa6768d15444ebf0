#pragma once

#include <optional>
#include <string_view>

#include "core/model_parameters.h"

namespace vendrel {

// A whole decimal number in the C locale ("1e3", "-0.5", "inf", "nan"), or
// nothing when any character is left over.
std::optional<double> parse_real_strict(std::string_view text);
// A whole int32 ("-12"), or nothing.
std::optional<int> parse_int_strict(std::string_view text);

// Stores `value` into the field `name` as a project-file line would: no
// other field changes. Fields with several values take them separated by
// commas. Throws UsageError for an unknown name or a malformed value.
void assign_parameter(ModelParameters& p, std::string_view name, std::string_view value);

}  // namespace vendrel
