#pragma once
// --list-params: every parameter of the table with its unit, its default
// (the value a new project starts with) and its description, as aligned
// text or as a JSON array of {key, unit, default, integer, description}.
// Arrays list their values; their elements are set as <key>_<k>.

#include <string>

#include "core/display_settings.h"
#include "core/model_parameters.h"

namespace vendrel {

std::string parameter_list_text(const ModelParameters& defaults, const DisplaySettings& display);
std::string parameter_list_json(const ModelParameters& defaults, const DisplaySettings& display);

}  // namespace vendrel
