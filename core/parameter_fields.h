#pragma once
// The parameter fields by name, in the order of the project file's
// parameter lines, with the file key of each (the porosity thresholds are
// stored under "dist1"). The project writer and reader walk this table, and
// the headless runner finds its --set keys in it.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

#include "core/model_parameters.h"

namespace vendrel {

using ParameterMember = std::variant<double ModelParameters::*, std::int32_t ModelParameters::*,
                                     std::array<double, 10> ModelParameters::*,
                                     std::array<double, 8> ModelParameters::*>;

enum class FileSection {
    Parameters,  // the first 43 lines, before the horizon count
    Tectonics,   // the six lines that end the file
    None,        // not stored in the file
};

struct ParameterField {
    std::string_view name;
    std::string_view file_key;
    FileSection section;
    ParameterMember member;
};

std::span<const ParameterField> parameter_fields();

// The field named `name`, or nullptr.
const ParameterField* find_parameter_field(std::string_view name);

// Number of values a field holds (1, 8 or 10).
int value_count(const ParameterMember& member);

}  // namespace vendrel
