#include "document/sea_level_csv.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "document/atomic_file.h"
#include "document/number_format.h"
#include "document/number_parse.h"
#include "document/regular_file.h"

namespace vendrel {
namespace {

constexpr std::string_view kBlank = " \t\r";
// Far beyond any measured curve (a million points take some 30 MB).
constexpr std::uint64_t kMaxCurveFileBytes = std::uint64_t(1) << 30;

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlank);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlank) - first + 1);
}

// The whole field as a number, or false.
bool parse_field(std::string_view field, double& value) {
    field = trimmed(field);
    if (field.empty()) {
        return false;
    }
    if (field.front() == '+') {
        field.remove_prefix(1);
    }
    const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
    return result.ec == std::errc() && result.ptr == field.data() + field.size();
}

}  // namespace

double stored_form(double value) {
    std::string text;
    append_fixed6(text, value);
    return parse_real_leading(text);
}

std::string curve_name_of(const std::string& path) {
    std::string name(trimmed(std::filesystem::path(path).filename().string()));
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = '?';
        }
    }
    return name;
}

std::shared_ptr<const SeaLevelCurve> parse_sea_level_csv(std::string_view text,
                                                         const std::string& name,
                                                         double totaltime) {
    std::size_t line_number = 0;
    const auto fail = [&](const std::string& what) {
        throw FileError(name + ": line " + std::to_string(line_number) + ": " + what);
    };
    std::size_t pos = 0;
    const auto next_line = [&](std::string_view& line) {
        if (pos >= text.size()) {
            return false;
        }
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        line = text.substr(pos, end - pos);
        pos = end + 1;
        ++line_number;
        return true;
    };

    std::string_view line;
    if (!next_line(line)) {
        line_number = 1;
        fail(
            "expected the header \"time_kyr,sea_level_m\" or \"age_ka,sea_level_m\", found "
            "the end of the file");
    }
    if (line.substr(0, 3) == "\xEF\xBB\xBF") {
        line.remove_prefix(3);
    }
    bool ages = false;
    {
        const std::size_t comma = line.find(',');
        const std::string_view first = trimmed(line.substr(0, comma));
        const std::string_view second =
            comma == std::string_view::npos ? std::string_view() : trimmed(line.substr(comma + 1));
        ages = first == "age_ka";
        if ((first != "time_kyr" && !ages) || second != "sea_level_m") {
            fail("expected the header \"time_kyr,sea_level_m\" or \"age_ka,sea_level_m\"");
        }
    }

    std::vector<SeaLevelPoint> points;
    points.reserve(std::min<std::size_t>(text.size() / 8, SeaLevelCurve::kMaxPoints));
    while (next_line(line)) {
        if (trimmed(line).empty()) {
            continue;
        }
        const std::size_t comma = line.find(',');
        double first = 0.0;
        double level = 0.0;
        if (comma == std::string_view::npos ||
            line.find(',', comma + 1) != std::string_view::npos) {
            fail("expected two numbers separated by a comma");
        }
        if (!parse_field(line.substr(0, comma), first) ||
            !parse_field(line.substr(comma + 1), level)) {
            fail("expected two numbers separated by a comma");
        }
        if (points.size() == SeaLevelCurve::kMaxPoints) {
            fail("more than " + std::to_string(SeaLevelCurve::kMaxPoints) + " points");
        }
        SeaLevelPoint point;
        point.time = stored_form(ages ? totaltime - first * 1000.0 : first * 1000.0);
        point.level = stored_form(level);
        if (!std::isfinite(first) || !std::isfinite(level)) {
            fail("a number that is not finite");
        }
        const std::string problem =
            sea_level_point_problem(points.empty() ? nullptr : &points.back(), point);
        if (!problem.empty()) {
            fail(ages && problem.find("time") != std::string::npos
                     ? (problem == "a time that repeats the previous one"
                            ? std::string("an age that repeats the previous one")
                            : std::string("an age not below the previous one"))
                     : problem);
        }
        points.push_back(point);
    }
    if (points.size() < 2) {
        fail("fewer than two points");
    }
    return std::make_shared<const SeaLevelCurve>(name, std::move(points));
}

std::shared_ptr<const SeaLevelCurve> read_sea_level_csv(const std::string& path, double totaltime) {
    std::string text;
    try {
        text = read_regular_file(path, kMaxCurveFileBytes);
    } catch (const FileError& e) {
        throw FileError("cannot open " + path + ": " + e.what());
    }
    return parse_sea_level_csv(text, curve_name_of(path), totaltime);
}

}  // namespace vendrel
