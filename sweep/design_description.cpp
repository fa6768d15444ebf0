#include "sweep/design_description.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>

#include "cli/parameter_assignment.h"
#include "cli/run_options.h"
#include "core/dialog_ranges.h"
#include "core/parameter_fields.h"
#include "core/run_admission.h"
#include "document/file_error.h"
#include "document/regular_file.h"
#include "document/shortest_number.h"

namespace vendrel {
namespace {

// A description is a few dozen lines; anything far larger is a mistake.
constexpr std::uint64_t kMaxDescriptionBytes = 1 << 20;
// More listed values than any design could use.
constexpr std::size_t kMaxListedValues = 10000;

std::string at(const std::string& name, const toml::source_region& where) {
    return name + ": line " + std::to_string(where.begin.line);
}

bool before(const toml::source_position& a, const toml::source_position& b) {
    return a.line < b.line || (a.line == b.line && a.column < b.column);
}

// The entries of a table in the order of the file (toml++ keeps them sorted).
std::vector<std::pair<std::string, const toml::node*>> in_file_order(const toml::table& table) {
    std::vector<std::pair<std::string, const toml::node*>> entries;
    for (const auto& [key, node] : table) {
        entries.emplace_back(std::string(key.str()), &node);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return before(a.second->source().begin, b.second->source().begin);
    });
    return entries;
}

std::optional<double> number_of(const toml::node& node) {
    if (const auto* i = node.as_integer()) {
        return double(i->get());
    }
    if (const auto* f = node.as_floating_point()) {
        return f->get();
    }
    return std::nullopt;
}

// A value of [fixed] as --set takes it, like a parameter file's.
std::string setting_text(const toml::node& node, const std::string& where, const std::string& key) {
    if (std::optional<std::string> text = toml_setting_text(node, "fixed." + key, where)) {
        return *text;
    }
    throw UsageError(where + ": fixed." + key +
                     ": expected a number, a string or an array of numbers");
}

std::int64_t top_integer(const toml::table& top, const std::string& name, const char* key,
                         std::int64_t low, std::int64_t high) {
    const toml::node* node = top.get(key);
    if (node == nullptr) {
        throw UsageError(name + ": no \"" + key + "\" at the top");
    }
    const auto* i = node->as_integer();
    if (i == nullptr || i->get() < low || i->get() > high) {
        throw UsageError(at(name, node->source()) + ": " + key + " must be a whole number from " +
                         std::to_string(low) + " to " + std::to_string(high));
    }
    return i->get();
}

// The parameter a free key names: one number a row can vary.
ParameterKey free_key(const std::string& key, const std::string& where) {
    const std::optional<ParameterKey> found = find_parameter_key(key);
    if (!found) {
        throw UsageError(where + ": free." + key + ": unknown parameter");
    }
    if (!found->element && found->field->count() > 1) {
        throw UsageError(where + ": free." + key + ": an array varies one element at a time (" +
                         key + "_1 to " + key + "_" + std::to_string(found->field->count()) + ")");
    }
    return *found;
}

std::vector<double> listed_values(const toml::node& node, const std::string& where,
                                  const std::string& key, bool whole) {
    const auto* array = node.as_array();
    if (array == nullptr || array->empty() || array->size() > kMaxListedValues) {
        throw UsageError(where + ": free." + key + ": values must be a list of 1 to " +
                         std::to_string(kMaxListedValues) + " numbers");
    }
    std::vector<double> values;
    for (const toml::node& element : *array) {
        const std::optional<double> v = number_of(element);
        if (!v || !std::isfinite(*v)) {
            throw UsageError(where + ": free." + key + ": values must be finite numbers");
        }
        if (whole && (*v != std::trunc(*v) || std::fabs(*v) > 2147483647.0)) {
            throw UsageError(where + ": free." + key + ": " + shortest(*v) +
                             " is not a whole number");
        }
        values.push_back(*v);
    }
    return values;
}

void read_range(FreeParameter& free, const toml::node& node, const std::string& where) {
    const auto* array = node.as_array();
    const std::optional<double> low =
        array && array->size() == 2 ? number_of(*array->get(0)) : std::nullopt;
    const std::optional<double> high =
        array && array->size() == 2 ? number_of(*array->get(1)) : std::nullopt;
    if (!low || !high) {
        throw UsageError(where + ": free." + free.key + ": a range is [low, high], two numbers");
    }
    if (!std::isfinite(*low) || !std::isfinite(*high) || !(*low < *high)) {
        throw UsageError(where + ": free." + free.key + ": the range [" + shortest(*low) + ", " +
                         shortest(*high) + "] needs finite low < high");
    }
    free.low = *low;
    free.high = *high;
}

FreeParameter read_free(const std::string& key, const toml::node& node, const std::string& name) {
    const std::string where = at(name, node.source());
    const ParameterKey parameter = free_key(key, where);
    FreeParameter free;
    free.key = key;
    free.origin = where;
    const bool whole = parameter.field->is_integer();
    if (node.is_array()) {
        if (whole) {
            throw UsageError(where + ": free." + key +
                             ": a whole-number parameter takes { values = [...] }");
        }
        read_range(free, node, where);
        return free;
    }
    const auto* table = node.as_table();
    if (table == nullptr) {
        throw UsageError(where + ": free." + key +
                         ": expected [low, high], { range = [low, high], scale = \"log\" } or "
                         "{ values = [...] }");
    }
    for (const auto& [entry, value] : in_file_order(*table)) {
        if (entry != "range" && entry != "scale" && entry != "values") {
            throw UsageError(at(name, value->source()) + ": free." + key + ": unknown entry \"" +
                             entry + "\" (range, scale, values)");
        }
    }
    const toml::node* range = table->get("range");
    const toml::node* values = table->get("values");
    const toml::node* scale = table->get("scale");
    if ((range != nullptr) == (values != nullptr)) {
        throw UsageError(where + ": free." + key + ": give either range or values");
    }
    if (values != nullptr) {
        if (scale != nullptr) {
            throw UsageError(where + ": free." + key + ": scale goes with a range");
        }
        free.values = listed_values(*values, where, key, whole);
        return free;
    }
    if (whole) {
        throw UsageError(where + ": free." + key +
                         ": a whole-number parameter takes { values = [...] }");
    }
    read_range(free, *range, where);
    if (scale != nullptr) {
        const auto* text = scale->as_string();
        if (text == nullptr || (text->get() != "log" && text->get() != "linear")) {
            throw UsageError(where + ": free." + key + ": scale is \"linear\" or \"log\"");
        }
        free.log = text->get() == "log";
        if (free.log && !(free.low > 0)) {
            throw UsageError(
                where + ": free." + key +
                ": a log scale needs a range above 0, got low = " + shortest(free.low));
        }
    }
    return free;
}

// The same value: the same scalar, or the same element of an array.
bool same_value(const std::string& a, const std::string& b) {
    const std::optional<ParameterKey> x = find_parameter_key(a);
    const std::optional<ParameterKey> y = find_parameter_key(b);
    return x && y && x->field == y->field && x->element == y->element;
}

// Values that overlap: the same value, or an array and one of its elements.
bool same_parameter(const std::string& a, const std::string& b) {
    const std::optional<ParameterKey> x = find_parameter_key(a);
    const std::optional<ParameterKey> y = find_parameter_key(b);
    return x && y && x->field == y->field &&
           (!x->element || !y->element || *x->element == *y->element);
}

// "d.toml: line 4: fixed.totaltime: ...", naming the key once.
UsageError fixed_error(const ParameterSetting& s, const std::string& message) {
    const bool named = message.rfind(s.key + ":", 0) == 0;
    return UsageError(s.origin + ": fixed." + (named ? message : s.key + ": " + message));
}

// The dialogs' ranges for the values a row can take: the fixed values as
// they stand, each free one at the ends of its range or at each listed value.
void check_ranges(const DesignDescription& d) {
    ModelParameters base = make_startup_parameters(1);
    set_document_defaults(base);
    DisplaySettings display;
    for (const ParameterSetting& s : d.fixed) {
        try {
            assign_parameter(base, display, s.key, s.value);
        } catch (const UsageError& e) {
            throw fixed_error(s, e.what());
        }
    }
    for (const RangeWarning& w : dialog_range_warnings(base, display)) {
        for (const ParameterSetting& s : d.fixed) {
            if (same_parameter(s.key, w.key)) {
                throw UsageError(s.origin + ": fixed." + w.text());
            }
        }
    }
    for (const FreeParameter& f : d.free) {
        const std::vector<double> ends = f.is_list() ? f.values : std::vector{f.low, f.high};
        for (const double v : ends) {
            ModelParameters p = base;
            DisplaySettings shown = display;
            assign_parameter(p, shown, f.key, shortest(v));
            for (const RangeWarning& w : dialog_range_warnings(p, shown)) {
                if (same_parameter(f.key, w.key)) {
                    throw UsageError(f.origin + ": free." + w.text());
                }
            }
        }
    }
}

bool listed(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

DesignDescription parse_design_description(const std::string& text, const std::string& name,
                                           const DesignExtras& extras) {
    toml::table top;
    try {
        top = toml::parse(text, name);
    } catch (const toml::parse_error& e) {
        throw UsageError(at(name, e.source()) + ": " + std::string(e.description()));
    }
    DesignDescription d;
    std::vector<std::string> extra;
    for (const auto& [key, node] : in_file_order(top)) {
        if (key == "samples" || key == "seed" || key == "fixed" || key == "free") {
            continue;
        }
        const bool table = node->is_table();
        if (table ? listed(extras.tables, key) : listed(extras.keys, key)) {
            extra.push_back(key);
            continue;
        }
        std::string known = "samples, seed";
        for (const std::string& k : extras.keys) {
            known += ", " + k;
        }
        known += ", [fixed], [free]";
        for (const std::string& t : extras.tables) {
            known += ", [" + t + "]";
        }
        throw UsageError(at(name, node->source()) + ": unknown " +
                         (table ? "table [" + key + "]" : "key \"" + key + "\"") + " (" + known +
                         ")");
    }
    // Moved, not copied: a copy of a node loses its source position.
    for (const std::string& key : extra) {
        top.get(key)->visit([&](auto&& value) { d.extra.insert(key, std::move(value)); });
    }
    d.samples = top_integer(top, name, "samples", 1, kMaxDesignSamples);
    d.seed = std::uint64_t(top_integer(top, name, "seed", 0, INT64_MAX));

    if (const toml::node* fixed = top.get("fixed")) {
        const auto* table = fixed->as_table();
        if (table == nullptr) {
            throw UsageError(at(name, fixed->source()) + ": fixed must be a table");
        }
        DisplaySettings display;
        ModelParameters scratch;
        for (const auto& [key, node] : in_file_order(*table)) {
            const std::string where = at(name, node->source());
            ParameterSetting s{key, setting_text(*node, where, key), where};
            try {
                assign_parameter(scratch, display, s.key, s.value);
            } catch (const UsageError& e) {
                throw fixed_error(s, e.what());
            }
            d.fixed.push_back(std::move(s));
        }
    }

    const toml::node* free = top.get("free");
    const auto* free_table = free ? free->as_table() : nullptr;
    if (free_table == nullptr || free_table->empty()) {
        throw UsageError(name + ": no [free] table of the parameters the design varies");
    }
    for (const auto& [key, node] : in_file_order(*free_table)) {
        FreeParameter f = read_free(key, *node, name);
        for (const ParameterSetting& s : d.fixed) {
            if (same_value(s.key, f.key)) {
                throw UsageError(f.origin + ": free." + f.key + " is also fixed (" + s.origin +
                                 ")");
            }
        }
        for (const FreeParameter& other : d.free) {
            if (same_value(other.key, f.key)) {
                throw UsageError(f.origin + ": free." + f.key + " is the same parameter as free." +
                                 other.key + " (" + other.origin + ")");
            }
        }
        d.free.push_back(std::move(f));
    }
    check_ranges(d);
    return d;
}

std::string read_design_text(const std::string& path) {
    try {
        return read_regular_file(path, kMaxDescriptionBytes);
    } catch (const FileError& e) {
        throw UsageError(path + ": " + e.what());
    }
}

DesignDescription read_design_description(const std::string& path, const DesignExtras& extras) {
    return parse_design_description(read_design_text(path), path, extras);
}

}  // namespace vendrel
