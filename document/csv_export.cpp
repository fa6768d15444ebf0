#include "document/csv_export.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/model_state.h"
#include "document/output_variables.h"
#include "document/platform_margin.h"
#include "document/pseudo_well.h"
#include "document/shoreline_trajectory.h"
#include "document/shortest_number.h"

namespace vendrel {

namespace {

constexpr std::string_view kRowEnd = "\r\n";

// The CSV name of an output variable (output_variables.h).
std::string column_name(std::string_view variable) {
    const OutputVariable* v = find_output_variable(variable);
    if (v == nullptr) {
        throw std::logic_error("no output variable " + std::string(variable));
    }
    return csv_column_name(*v);
}

// Appends the fields of one row; every field but the first gets its comma.
class CsvRow {
  public:
    explicit CsvRow(std::string& out) : out_(out) {}
    ~CsvRow() { out_.append(kRowEnd); }
    CsvRow(const CsvRow&) = delete;
    CsvRow& operator=(const CsvRow&) = delete;

    CsvRow& number(double value) {
        separate();
        if (std::isfinite(value)) {
            append_shortest(out_, value);
        }
        return *this;
    }
    CsvRow& integer(int value) {
        separate();
        char buffer[16];
        out_.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
        return *this;
    }
    // A word without commas or quotes, as it stands.
    CsvRow& text(std::string_view value) {
        separate();
        out_.append(value);
        return *this;
    }
    // The CSV names of the output variables the rows hold, in that order.
    CsvRow& header(std::initializer_list<std::string_view> variables) {
        for (std::string_view variable : variables) {
            text(column_name(variable));
        }
        return *this;
    }
    // 0 or 1; a negative flag is undefined.
    CsvRow& flag(std::int8_t value) {
        separate();
        if (value >= 0) {
            out_.push_back(char('0' + value));
        }
        return *this;
    }

  private:
    void separate() {
        if (!first_) {
            out_.push_back(',');
        }
        first_ = false;
    }
    std::string& out_;
    bool first_ = true;
};

}  // namespace

std::string format_section_csv(const ProjectData& data) {
    const Stratigraphy section(data);
    std::string out;
    out.reserve(std::size_t(COLUMN_COUNT) * std::size_t(data.count) * 160 + 200);
    CsvRow(out).header({"horizon", "time", "age", "x", "z", "elevation", "depth_of_deposition",
                        "distance_from_shore", "porosity", "thickness", "hiatus", "subaerial"});
    for (int h = 1; h <= data.count; ++h) {
        for (int c = 1; c <= COLUMN_COUNT; ++c) {
            CsvRow(out)
                .integer(h)
                .number(section.time_kyr(h))
                .number(section.age_kyr(h))
                .number(data.x_values[std::size_t(c)])
                .number(section.z(c, h))
                .number(section.elevation(c, h))
                .number(section.depth_of_deposition(c, h))
                .number(section.distance_from_shore(c, h))
                .number(section.porosity(c, h))
                .number(section.thickness(c, h))
                .flag(section.hiatus(c, h))
                .flag(section.subaerial(c, h));
        }
    }
    return out;
}

std::string format_wells_csv(const ProjectData& data, const std::vector<double>& well_x) {
    const Stratigraphy section(data);
    std::vector<PseudoWell> wells;
    for (double x : sorted_well_positions(well_x)) {
        wells.push_back(make_pseudo_well(section, x));
    }
    std::string out;
    CsvRow(out).header({"well", "well_column", "well_column_x", "horizon", "time", "age", "well_z",
                        "well_elevation", "well_burial_depth", "well_thickness",
                        "well_depth_of_deposition", "well_distance_from_shore", "well_porosity"});
    for (const PseudoWell& well : wells) {
        for (const WellSample& s : well.samples) {
            CsvRow(out)
                .number(well.x)
                .integer(well.column)
                .number(well.column_x)
                .integer(s.horizon)
                .number(s.time_kyr)
                .number(s.age_kyr)
                .number(s.z)
                .number(s.elevation)
                .number(s.burial_depth)
                .number(s.thickness)
                .number(s.depth_of_deposition)
                .number(s.distance_from_shore)
                .number(s.porosity);
        }
    }
    return out;
}

std::string format_trajectory_csv(const ProjectData& data, const std::vector<double>& well_x) {
    const Stratigraphy section(data);
    std::vector<PseudoWell> wells;
    for (double x : sorted_well_positions(well_x)) {
        wells.push_back(make_pseudo_well(section, x));
    }
    const std::vector<ShorelinePoint> shore = shoreline_trajectory(data);
    const std::vector<MarginPoint> margin = platform_margin(data, shore);
    const std::vector<double> supplied = sediment_supplied(data);
    std::string out;
    {
        CsvRow columns(out);
        columns.header({"horizon", "time", "age", "shoreline_x", "shoreline_elevation",
                        "trajectory", "platform_margin_x", "platform_margin_elevation",
                        "sediment_supplied"});
        const std::string accommodation = column_name("well_accommodation_created");
        for (const PseudoWell& well : wells) {
            columns.text(accommodation + "_at_" + shortest(well.x));
        }
    }
    for (int h = 1; h <= data.count; ++h) {
        const ShorelinePoint& p = shore[std::size_t(h - 1)];
        const MarginPoint& m = margin[std::size_t(h - 1)];
        const double missing = std::numeric_limits<double>::quiet_NaN();
        CsvRow row(out);
        row.integer(h)
            .number(section.time_kyr(h))
            .number(section.age_kyr(h))
            .number(p.column != 0 ? p.x : missing)
            .number(p.column != 0 ? p.elevation : missing)
            .text(trajectory_class_name(p.step))
            .number(m.column != 0 ? m.x : missing)
            .number(m.column != 0 ? m.elevation : missing)
            .number(supplied[std::size_t(h - 1)]);
        for (const PseudoWell& well : wells) {
            row.number(well.samples[std::size_t(h - 1)].accommodation_created);
        }
    }
    return out;
}

}  // namespace vendrel
