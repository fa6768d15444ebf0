#include "cli/parameter_assignment.h"

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "cli/quoted_value.h"
#include "cli/run_options.h"
#include "core/parameter_fields.h"
#include "document/number_parse.h"

namespace vendrel {

namespace {

// from_chars takes no leading "+"; accept one before a digit or a point.
void drop_plus_sign(std::string_view& text) {
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+') {
        text.remove_prefix(1);
    }
}

// The whole text as one number, or nothing.
template <class Number>
std::optional<Number> parse_whole(std::string_view text) {
    drop_plus_sign(text);
    Number value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    if constexpr (std::is_floating_point_v<Number>) {
        // Beyond the range of a double: what the C library makes of it
        // (an infinity, or zero for a tiny number).
        if (result.ec == std::errc::result_out_of_range) {
            return parse_real_leading(text);
        }
    }
    if (result.ec != std::errc()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<double> parse_real_strict(std::string_view text) {
    return parse_whole<double>(text);
}

std::optional<int> parse_int_strict(std::string_view text) {
    return parse_whole<int>(text);
}

namespace {

std::vector<std::string_view> split_values(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos) {
            return parts;
        }
        start = comma + 1;
    }
}

[[noreturn]] void malformed(std::string_view name, std::string_view value, const char* expected) {
    throw UsageError(std::string(name) + ": expected " + expected + ", got " + quoted_value(value));
}

double parse_number(std::string_view name, std::string_view value, std::string_view text,
                    const char* expected) {
    const auto v = parse_real_strict(text);
    if (!v) {
        malformed(name, value, expected);
    }
    if (!std::isfinite(*v)) {
        throw UsageError(std::string(name) + ": " + quoted_value(value) +
                         " is not a finite number");
    }
    return *v;
}

}  // namespace

void assign_parameter(ModelParameters& p, DisplaySettings& display, std::string_view name,
                      std::string_view value) {
    const std::optional<ParameterKey> key = find_parameter_key(name);
    if (!key) {
        throw UsageError("unknown parameter " + quoted_value(name));
    }
    const ParameterField& field = *key->field;
    if (field.is_integer()) {
        const auto v = parse_int_strict(value);
        if (!v) {
            malformed(name, value, "a whole number");
        }
        set_field_value(field, p, display, *v);
        return;
    }
    if (key->element || field.count() == 1) {
        set_field_value(field, p, display, parse_number(name, value, value, "a number"),
                        key->element.value_or(0));
        return;
    }
    const auto parts = split_values(value);
    if (int(parts.size()) != field.count()) {
        const std::string expected = std::to_string(field.count()) + " numbers separated by commas";
        malformed(name, value, expected.c_str());
    }
    std::vector<double> values;
    for (std::string_view part : parts) {
        values.push_back(parse_number(name, value, part, "numbers separated by commas"));
    }
    for (int k = 0; k < field.count(); ++k) {
        set_field_value(field, p, display, values[std::size_t(k)], k);
    }
}

}  // namespace vendrel
