#include "cli/parameter_file.h"

#include <sys/stat.h>
#include <toml++/toml.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cli/run_options.h"
#include "document/file_error.h"
#include "document/regular_file.h"
#include "document/shortest_number.h"

namespace vendrel {
namespace {

// A parameter file is a few dozen lines; anything far larger is a mistake.
constexpr std::uint64_t kMaxParameterFileBytes = 1 << 20;

std::string read_whole(const std::string& path) {
    try {
        return read_regular_file(path, kMaxParameterFileBytes);
    } catch (const FileError& e) {
        throw UsageError("--params " + path + ": " + e.what());
    }
}

std::string at_line(const std::string& path, const toml::source_region& where) {
    return path + ": line " + std::to_string(where.begin.line);
}

// The value as --set would take it.
std::string setting_text(const std::string& key, const toml::node& node, const std::string& where) {
    if (std::optional<std::string> text = toml_setting_text(node, key, where)) {
        return *text;
    }
    if (node.is_table()) {
        throw UsageError(where + ": [" + key + "]: sections are not parameters");
    }
    throw UsageError(where + ": " + key + ": expected a number, a string or an array of numbers");
}

}  // namespace

std::optional<std::string> toml_setting_text(const toml::node& node, const std::string& label,
                                             const std::string& where) {
    if (const auto* s = node.as_string()) {
        return s->get();
    }
    if (const auto* i = node.as_integer()) {
        return std::to_string(i->get());
    }
    if (const auto* f = node.as_floating_point()) {
        return shortest(f->get());
    }
    if (const auto* array = node.as_array()) {
        std::string text;
        for (const toml::node& element : *array) {
            if (!element.is_number()) {
                throw UsageError(where + ": " + label + ": an array holds numbers only");
            }
            if (!text.empty()) {
                text += ",";
            }
            text += *toml_setting_text(element, label, where);
        }
        return text;
    }
    return std::nullopt;
}

std::vector<ParameterSetting> read_parameter_file(const std::string& path) {
    const std::string text = read_whole(path);
    toml::table table;
    try {
        table = toml::parse(text, path);
    } catch (const toml::parse_error& e) {
        throw UsageError(at_line(path, e.source()) + ": " + std::string(e.description()));
    }
    std::vector<std::pair<toml::source_position, ParameterSetting>> found;
    for (const auto& [key, node] : table) {
        const std::string where = at_line(path, node.source());
        const std::string name(key.str());
        found.push_back({node.source().begin, {name, setting_text(name, node, where), where}});
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.first.line < b.first.line ||
               (a.first.line == b.first.line && a.first.column < b.first.column);
    });
    std::vector<ParameterSetting> settings;
    for (auto& entry : found) {
        settings.push_back(std::move(entry.second));
    }
    return settings;
}

}  // namespace vendrel
