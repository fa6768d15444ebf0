#include "document/well_observations.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>

#include "document/number_format.h"

namespace vendrel {
namespace {

constexpr std::string_view kBlank = " \t\r";
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kMaxFieldShown = 40;
constexpr std::streamoff kMaxFileBytes = 64LL << 20;

enum Column { WellX, Quantity, Age, AgeFrom, AgeTo, Value, Sigma, ColumnCount };
constexpr std::array<std::string_view, ColumnCount> kColumnNames = {
    "well_x_m", "quantity", "age_kyr", "age_from_kyr", "age_to_kyr", "value", "sigma"};

constexpr std::array<ObservedQuantity, 5> kQuantities = {
    ObservedQuantity::Elevation, ObservedQuantity::Thickness, ObservedQuantity::DepthOfDeposition,
    ObservedQuantity::Porosity, ObservedQuantity::ShorelineX};

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlank);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlank) - first + 1);
}

std::vector<std::string_view> split_fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = line.find(',');
        fields.push_back(trimmed(line.substr(0, comma)));
        if (comma == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(comma + 1);
    }
}

// A field as messages quote it: at most kMaxFieldShown characters, control
// characters as '?'.
std::string shown(std::string_view field) {
    std::string text(field.substr(0, kMaxFieldShown));
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = '?';
        }
    }
    return field.size() > kMaxFieldShown ? text + "..." : text;
}

std::string kyr(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr) + " kyr";
}

class RowReader {
  public:
    RowReader(const std::string& name, int line, const std::array<int, ColumnCount>& columns,
              const std::vector<std::string_view>& fields)
        : name_(name), line_(line), columns_(columns), fields_(fields) {}

    [[noreturn]] void fail(const std::string& what) const {
        throw FileError(name_ + ": line " + std::to_string(line_) + ": " + what);
    }

    std::string_view text(Column c) const {
        const int i = columns_[std::size_t(c)];
        return i >= 0 && std::size_t(i) < fields_.size() ? fields_[std::size_t(i)]
                                                         : std::string_view();
    }

    std::optional<double> number(Column c) const {
        std::string_view field = text(c);
        if (field.empty()) {
            return std::nullopt;
        }
        if (field.front() == '+') {
            field.remove_prefix(1);
        }
        double value = 0;
        const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
        if (result.ec != std::errc() || result.ptr != field.data() + field.size() ||
            !std::isfinite(value)) {
            fail(std::string(kColumnNames[std::size_t(c)]) + " is not a finite number: \"" +
                 shown(text(c)) + "\"");
        }
        return value;
    }

    double required(Column c, std::string_view quantity) const {
        const std::optional<double> value = number(c);
        if (!value) {
            fail("missing " + std::string(kColumnNames[std::size_t(c)]) + " (" +
                 std::string(quantity) + " needs it)");
        }
        return *value;
    }

  private:
    const std::string& name_;
    int line_;
    const std::array<int, ColumnCount>& columns_;
    const std::vector<std::string_view>& fields_;
};

std::array<int, ColumnCount> read_header(std::string_view line, const std::string& name,
                                         int number) {
    std::array<int, ColumnCount> columns;
    columns.fill(-1);
    const std::vector<std::string_view> fields = split_fields(line);
    const auto at = [&] { return name + ": line " + std::to_string(number) + ": "; };
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::size_t c = 0;
        while (c < ColumnCount && kColumnNames[c] != fields[i]) {
            ++c;
        }
        if (c == ColumnCount) {
            throw FileError(at() + "unknown column \"" + shown(fields[i]) +
                            "\" (well_x_m, quantity, age_kyr, age_from_kyr, age_to_kyr, value, "
                            "sigma)");
        }
        if (columns[c] >= 0) {
            throw FileError(at() + "column \"" + std::string(fields[i]) + "\" given twice");
        }
        columns[c] = int(i);
    }
    for (Column c : {WellX, Quantity, Value, Sigma}) {
        if (columns[std::size_t(c)] < 0) {
            throw FileError(at() + "no column \"" + std::string(kColumnNames[std::size_t(c)]) +
                            "\" in the header");
        }
    }
    if (columns[Age] < 0 && (columns[AgeFrom] < 0 || columns[AgeTo] < 0)) {
        throw FileError(at() + "no column \"age_kyr\" (or \"age_from_kyr\" and \"age_to_kyr\")");
    }
    return columns;
}

Observation read_row(const RowReader& row) {
    Observation o;
    const std::string_view quantity = row.text(Quantity);
    std::size_t q = 0;
    while (q < kQuantities.size() && observed_quantity_name(kQuantities[q]) != quantity) {
        ++q;
    }
    if (q == kQuantities.size()) {
        row.fail("unknown quantity \"" + shown(quantity) +
                 "\" (elevation, thickness, depth_of_deposition, porosity, shoreline_x)");
    }
    o.quantity = kQuantities[q];
    if (o.quantity == ObservedQuantity::ShorelineX) {
        o.well_x = row.number(WellX).value_or(kNaN);
    } else {
        o.well_x = row.required(WellX, quantity);
    }
    if (o.quantity == ObservedQuantity::Thickness) {
        const double from = row.required(AgeFrom, quantity);
        const double to = row.required(AgeTo, quantity);
        o.age_kyr = std::max(from, to);
        o.age_to_kyr = std::min(from, to);
    } else {
        o.age_kyr = row.required(Age, quantity);
        o.age_to_kyr = o.age_kyr;
    }
    if (o.age_to_kyr < 0) {
        row.fail("an age below 0 (" + kyr(o.age_to_kyr) +
                 "): ages count back from the newest "
                 "horizon");
    }
    o.value = row.required(Value, quantity);
    o.sigma = row.required(Sigma, quantity);
    if (!(o.sigma > 0)) {
        row.fail("sigma must be above 0, got " + shown(row.text(Sigma)));
    }
    return o;
}

}  // namespace

const char* observed_quantity_name(ObservedQuantity q) {
    switch (q) {
        case ObservedQuantity::Elevation:
            return "elevation";
        case ObservedQuantity::Thickness:
            return "thickness";
        case ObservedQuantity::DepthOfDeposition:
            return "depth_of_deposition";
        case ObservedQuantity::Porosity:
            return "porosity";
        case ObservedQuantity::ShorelineX:
            return "shoreline_x";
    }
    return "";
}

std::vector<Observation> parse_well_observations(std::string_view text, const std::string& name) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    std::vector<Observation> data;
    std::optional<std::array<int, ColumnCount>> columns;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (!columns) {
            columns = read_header(line, name, number);
            continue;
        }
        const std::vector<std::string_view> fields = split_fields(line);
        const RowReader row(name, number, *columns, fields);
        std::size_t width = 0;
        for (int c : *columns) {
            width = std::max(width, std::size_t(c + 1));
        }
        if (fields.size() > width) {
            row.fail("more fields than the header names (" + std::to_string(fields.size()) +
                     " for " + std::to_string(width) + ")");
        }
        if (data.size() == kMaxObservations) {
            row.fail("more than " + std::to_string(kMaxObservations) + " data");
        }
        data.push_back(read_row(row));
        data.back().line = number;
    }
    if (data.empty()) {
        throw FileError(name + ": no data (a header line, then one datum a line)");
    }
    return data;
}

std::vector<Observation> read_well_observations(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        throw FileError(path + ": " + std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode) || info.st_size > kMaxFileBytes) {
        throw FileError(path + ": not a regular file of at most 64 MiB");
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in && !in.eof()) {
        throw FileError(path + ": cannot read it");
    }
    return parse_well_observations(text.str(), path);
}

void check_observations_fit_run(const std::vector<Observation>& data, const std::string& name,
                                double totaltime, double display_inc, double max_x) {
    const double run_kyr = totaltime / 1000.0;
    // Horizons are recorded every display_inc years: the oldest is as old as
    // the whole intervals that fit into the run.
    const double intervals = display_inc > 0 ? std::floor(totaltime / display_inc) : 0;
    const double oldest_kyr = display_inc > 0 && intervals * display_inc < totaltime
                                  ? intervals * display_inc / 1000.0
                                  : run_kyr;
    for (const Observation& o : data) {
        const std::string at = name + ": line " + std::to_string(o.line) + ": ";
        if (o.age_kyr > run_kyr) {
            throw FileError(at + "age " + kyr(o.age_kyr) + " is older than the run (" +
                            kyr(run_kyr) + ", totaltime " + format_fixed(totaltime, 0, 0) +
                            " years)");
        }
        if (o.age_kyr > oldest_kyr) {
            throw FileError(at + "age " + kyr(o.age_kyr) +
                            " is older than the run's oldest horizon (" + kyr(oldest_kyr) +
                            ": display_inc " + format_fixed(display_inc, 0, 0) + " years fits " +
                            format_fixed(intervals, 0, 0) + " times into totaltime " +
                            format_fixed(totaltime, 0, 0) + " years)");
        }
        if (!std::isnan(o.well_x) && !(o.well_x >= 0 && o.well_x <= max_x)) {
            throw FileError(at + "well at x = " + format_fixed(o.well_x, 0, 1) +
                            " m lies outside the section (0 to " + format_fixed(max_x, 0, 1) +
                            " m)");
        }
    }
}

}  // namespace vendrel
