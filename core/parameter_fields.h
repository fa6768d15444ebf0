#pragma once
// The one description of every parameter: its code name (what users type in
// --set and parameter files, and what data exports call it), the key under
// which the project file stores it (the porosity thresholds are stored under
// "dist1"), its unit and a one-line description. Fields are listed in the
// order of the project file's parameter lines. The project writer and
// reader, the runner's --set and the dialogs' bindings walk this table;
// value ranges belong to the dialogs, not to the parameters (a project file
// may carry any value).
//
// Array elements are addressed as <name>_<k> with k from 1 (depths_3,
// control_x_10).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "core/display_settings.h"
#include "core/model_parameters.h"

namespace vendrel {

using ParameterMember = std::variant<double ModelParameters::*, std::int32_t ModelParameters::*,
                                     std::array<double, 10> ModelParameters::*,
                                     std::array<double, 8> ModelParameters::*,
                                     double DisplaySettings::*, std::int32_t DisplaySettings::*>;

enum class FileSection {
    Parameters,  // the first lines, before the horizon count
    Tectonics,   // the six lines that end the file
    None,        // not stored in the file
};

struct ParameterField {
    std::string_view name;
    std::string_view file_key;
    FileSection section;
    ParameterMember member;
    std::string_view unit;  // "" for flags and counts without a unit
    std::string_view description;

    // Number of values the field holds (1, 8 or 10).
    int count() const;
    bool is_integer() const;
    bool is_display() const;
};

std::span<const ParameterField> parameter_fields();

// The field named `name`, or nullptr.
const ParameterField* find_parameter_field(std::string_view name);

// A name users type: a field, or one element of an array field
// ("depths_3": element index 2). Scalar names that end in a number
// ("amp_1") are fields of their own.
struct ParameterKey {
    const ParameterField* field = nullptr;
    std::optional<int> element;  // 0-based
};
std::optional<ParameterKey> find_parameter_key(std::string_view name);

namespace detail {
template <class Member>
struct MemberOf;
template <class Class, class Value>
struct MemberOf<Value Class::*> {
    using type = Class;
};
}  // namespace detail

// Calls f with a reference to the field's value in `model` or `display`
// (const or not, as they are given).
template <class Model, class Display, class F>
void visit_field(const ParameterField& field, Model& model, Display& display, F&& f) {
    static_assert(std::is_same_v<std::remove_const_t<Model>, ModelParameters>);
    static_assert(std::is_same_v<std::remove_const_t<Display>, DisplaySettings>);
    std::visit(
        [&](auto m) {
            using Class = typename detail::MemberOf<decltype(m)>::type;
            if constexpr (std::is_same_v<Class, ModelParameters>) {
                f(model.*m);
            } else {
                f(display.*m);
            }
        },
        field.member);
}

// One value of a field as a number: element `k` (0-based) of an array, the
// value itself otherwise.
double field_value(const ParameterField& field, const ModelParameters& model,
                   const DisplaySettings& display, int k = 0);
// Stores `value` as field_value reads it; an integer field takes it as it is
// (the caller has checked that it is whole and in range).
void set_field_value(const ParameterField& field, ModelParameters& model, DisplaySettings& display,
                     double value, int k = 0);

// Copies the field's value(s) from one parameter set to another.
void copy_field(const ParameterField& field, const ModelParameters& from_model,
                const DisplaySettings& from_display, ModelParameters& to_model,
                DisplaySettings& to_display);

}  // namespace vendrel
