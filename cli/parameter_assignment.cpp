#include "cli/parameter_assignment.h"

#include <charconv>
#include <string>
#include <vector>

#include "cli/run_options.h"
#include "core/parameter_fields.h"

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
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
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
    throw UsageError("--set " + std::string(name) + ": expected " + expected + ", got \"" +
                     std::string(value) + "\"");
}

}  // namespace

void assign_parameter(ModelParameters& p, std::string_view name, std::string_view value) {
    const ParameterField* field = find_parameter_field(name);
    if (field == nullptr) {
        throw UsageError("--set: unknown parameter \"" + std::string(name) + "\"");
    }
    std::visit(
        [&](auto m) {
            auto& target = p.*m;
            using T = std::remove_cvref_t<decltype(target)>;
            if constexpr (std::is_same_v<T, double>) {
                const auto v = parse_real_strict(value);
                if (!v) {
                    malformed(name, value, "a number");
                }
                target = *v;
            } else if constexpr (std::is_same_v<T, std::int32_t>) {
                const auto v = parse_int_strict(value);
                if (!v) {
                    malformed(name, value, "a whole number");
                }
                target = *v;
            } else {
                const auto parts = split_values(value);
                if (parts.size() != target.size()) {
                    const std::string expected =
                        std::to_string(target.size()) + " numbers separated by commas";
                    malformed(name, value, expected.c_str());
                }
                T values{};
                for (std::size_t k = 0; k < parts.size(); ++k) {
                    const auto v = parse_real_strict(parts[k]);
                    if (!v) {
                        malformed(name, value, "numbers separated by commas");
                    }
                    values[k] = *v;
                }
                target = values;
            }
        },
        field->member);
}

}  // namespace vendrel
