#pragma once
// The one description of every variable the data exports write: its name
// in the NetCDF file, its dimensions and type, its units, long name, CF
// standard name, comment and the other attributes the file gives it, and
// the name of its column in the CSV tables. The NetCDF export defines its
// variables by walking this table, the CSV tables take their headers from
// it, and the README's list of variables is checked against it; a program
// that lists the variables and their units reads it the same way.
//
// Variables are listed in the order the file defines them. A variable over
// an optional dimension is written only when that dimension is: well (the
// pseudo-wells, when some are asked for), history_length (a history too
// long for an attribute) and forcing_time (the measured sea-level curve a
// run followed). Definitions of the values: stratigraphy.h.

#include <span>
#include <string>
#include <string_view>

namespace vendrel {

enum class OutputDimension {
    Horizon,        // horizon: the recorded horizons, 1..N
    X,              // x: the columns, by position along the section
    Well,           // well: the pseudo-wells asked for
    HistoryLength,  // history_length: the characters of a long history
    ForcingTime,    // forcing_time: the points of a measured sea-level curve
};

// The dimension's name in the file ("horizon", "x", …).
std::string_view dimension_name(OutputDimension dimension);

enum class OutputType {
    Int,     // 32-bit integer
    Double,  // 64-bit floating point
    Byte,    // 8-bit signed integer: flags
    Char,    // text
};

// The type as CDL (ncdump) names it: "int", "double", "byte", "char".
std::string_view type_name(OutputType type);

struct OutputVariable {
    std::string_view name;
    OutputType type;
    std::span<const OutputDimension> dimensions;  // slowest-varying first
    std::string_view units;                       // as UDUNITS-2 reads it; "" for none
    std::string_view long_name;
    std::string_view standard_name = {};  // CF standard name; "" for none
    std::string_view comment = {};
    std::string_view positive = {};  // "up", "down" or ""
    std::string_view axis = {};      // "X" on the dimension coordinate x
    std::string_view coordinates = {};
    bool fill = false;  // missing values hold _FillValue
    // Flags 0, 1, … named in order, space-separated; "" when the variable
    // holds no flags.
    std::string_view flag_meanings = {};
    // The CSV column's name before its unit, when it differs from `name`.
    std::string_view csv_name = {};
};

std::span<const OutputVariable> output_variables();

// The variable named `name`, or nullptr.
const OutputVariable* find_output_variable(std::string_view name);

// The name of the variable's column in the CSV tables: its CSV name
// followed by its unit ("z_down_m", "time_kyr"); a number without unit
// ("1") or a flag has no suffix ("porosity", "hiatus").
std::string csv_column_name(const OutputVariable& variable);

// The number of flags the variable holds (words in flag_meanings).
int flag_count(const OutputVariable& variable);

}  // namespace vendrel
