#include "document/output_variables.h"

#include <algorithm>
#include <iterator>

namespace vendrel {
namespace {

using D = OutputDimension;
using T = OutputType;

constexpr D kHorizon[] = {D::Horizon};
constexpr D kX[] = {D::X};
constexpr D kHorizonX[] = {D::Horizon, D::X};
constexpr D kWell[] = {D::Well};
constexpr D kWellHorizon[] = {D::Well, D::Horizon};
constexpr D kHistoryLength[] = {D::HistoryLength};
constexpr D kForcingTime[] = {D::ForcingTime};

constexpr std::string_view kPerCell = "time age column";
constexpr std::string_view kPerHorizon = "time age";

constexpr std::string_view kSeaLevelComment =
    "sea level when the horizon was recorded. Horizon 1 holds the first value of the "
    "sea-level curve planned at the last model reset, not the sea level at time 0 (that is "
    "the baselevel attribute)";

const OutputVariable kVariables[] = {
    // Coordinates.
    {.name = "horizon",
     .type = T::Int,
     .dimensions = kHorizon,
     .units = "1",
     .long_name = "horizon number, 1 = initial surface, N = newest"},
    {.name = "column",
     .type = T::Int,
     .dimensions = kX,
     .units = "1",
     .long_name = "column number"},
    {.name = "x",
     .type = T::Double,
     .dimensions = kX,
     .units = "m",
     .long_name = "position of the column along the section",
     .comment = "distance from the left edge of the section",
     .axis = "X"},
    {.name = "time",
     .type = T::Double,
     .dimensions = kHorizon,
     .units = "kyr",
     .long_name = "model time of the horizon",
     .comment = "model time from the start of the run; the initial surface is at 0. Not defined "
                "when the parameters record no horizons",
     .fill = true},
    {.name = "age",
     .type = T::Double,
     .dimensions = kHorizon,
     .units = "kyr",
     .long_name = "age of the horizon before the newest recorded horizon",
     .comment = "age = time(N) - time",
     .fill = true},

    // The section: one value per horizon and column.
    {.name = "z",
     .type = T::Double,
     .dimensions = kHorizonX,
     .units = "m",
     .long_name = "depth of the horizon below the top of the section",
     .comment = "datum: the top of the section (0 m); the base of the section is at max_y",
     .positive = "down",
     .coordinates = kPerCell,
     .fill = true,
     .csv_name = "z_down"},
    {.name = "elevation",
     .type = T::Double,
     .dimensions = kHorizonX,
     .units = "m",
     .long_name = "height of the horizon above the base of the section",
     .comment = "elevation = max_y - z",
     .positive = "up",
     .coordinates = kPerCell,
     .fill = true},
    {.name = "depth_of_deposition",
     .type = T::Double,
     .dimensions = kHorizonX,
     .units = "m",
     .long_name = "water depth at which the layer below the horizon was deposited",
     .standard_name = "sea_floor_depth_below_sea_surface",
     .comment = "0 where the column was at or above sea level; not defined for horizon 1",
     .coordinates = kPerCell,
     .fill = true},
    {.name = "distance_from_shore",
     .type = T::Double,
     .dimensions = kHorizonX,
     .units = "m",
     .long_name = "distance to the nearest land when the horizon was recorded",
     .comment = "for a column on land, the distance to the nearest other land column; 10000 m "
                "means no land within 10 km; not defined for horizon 1",
     .coordinates = kPerCell,
     .fill = true},
    {.name = "porosity",
     .type = T::Double,
     .dimensions = kHorizonX,
     .units = "1",
     .long_name = "porosity of the layer below the horizon",
     .comment = "volume fraction of pore space; not defined for horizon 1",
     .coordinates = kPerCell,
     .fill = true},
    {.name = "thickness",
     .type = T::Double,
     .dimensions = kHorizonX,
     .units = "m",
     .long_name = "preserved thickness of the layer below the horizon",
     .comment = "z(h - 1) - z(h), a negative difference counting as 0; not defined for horizon 1",
     .coordinates = kPerCell,
     .fill = true},
    {.name = "hiatus",
     .type = T::Byte,
     .dimensions = kHorizonX,
     .units = "",
     .long_name = "layer below the horizon records no deposition",
     .comment = "1 where the layer is at most 0.001 m thick; not defined for horizon 1",
     .coordinates = kPerCell,
     .fill = true,
     .flag_meanings = "deposition hiatus"},
    {.name = "subaerial",
     .type = T::Byte,
     .dimensions = kHorizonX,
     .units = "",
     .long_name = "layer below the horizon was laid down at or above sea level",
     .comment = "1 where the depth of deposition is 0 (the column stood at or above sea level "
                "when the horizon was recorded) and the layer is not a hiatus; not defined for "
                "horizon 1",
     .coordinates = kPerCell,
     .fill = true,
     .flag_meanings = "subaqueous subaerial"},

    // One value per horizon.
    {.name = "sea_level_z",
     .type = T::Double,
     .dimensions = kHorizon,
     .units = "m",
     .long_name = "sea level, depth below the top of the section",
     .comment = kSeaLevelComment,
     .positive = "down",
     .coordinates = kPerHorizon,
     .fill = true},
    {.name = "sea_level_elevation",
     .type = T::Double,
     .dimensions = kHorizon,
     .units = "m",
     .long_name = "sea level, height above the base of the section",
     .comment = kSeaLevelComment,
     .positive = "up",
     .coordinates = kPerHorizon,
     .fill = true},
    {.name = "shoreline_x",
     .type = T::Double,
     .dimensions = kHorizon,
     .units = "m",
     .long_name = "shoreline of the horizon: the most basinward crossing of the horizon and its "
                  "sea level",
     .comment = "x of the seaward-most column at or above the sea level the horizon was "
                "recorded with (time 0: baselevel); missing where none is",
     .coordinates = kPerHorizon,
     .fill = true},
    {.name = "shoreline_elevation",
     .type = T::Double,
     .dimensions = kHorizon,
     .units = "m",
     .long_name = "height of the shoreline above the base of the section",
     .positive = "up",
     .coordinates = kPerHorizon,
     .fill = true},
    {.name = "trajectory",
     .type = T::Byte,
     .dimensions = kHorizon,
     .units = "",
     .long_name = "class of the shoreline's step from the horizon below",
     .comment = "forced regressive: the shoreline falls and moves seaward or stays; normal "
                "regressive: it moves seaward by more than a column and does not fall; "
                "transgressive: it moves landward by more than a column; aggradational: it "
                "rises or stays within a column. Missing for horizon 1 and where a shoreline "
                "is missing",
     .coordinates = kPerHorizon,
     .fill = true,
     .flag_meanings = "forced_regressive normal_regressive transgressive aggradational"},
    {.name = "platform_margin_x",
     .type = T::Double,
     .dimensions = kHorizon,
     .units = "m",
     .long_name = "platform margin (shelf break) of the horizon",
     .comment = "x of the first column seaward of the shoreline, counted from the shoreline's "
                "own, whose slope down to the next column exceeds 0.05 m per m; missing without "
                "a shoreline or such a slope",
     .coordinates = kPerHorizon,
     .fill = true},
    {.name = "platform_margin_elevation",
     .type = T::Double,
     .dimensions = kHorizon,
     .units = "m",
     .long_name = "height of the platform margin above the base of the section",
     .positive = "up",
     .coordinates = kPerHorizon,
     .fill = true},
    {.name = "sediment_supplied",
     .type = T::Double,
     .dimensions = kHorizon,
     .units = "m2",
     .long_name = "sediment the layer below the horizon adds to the section",
     .comment = "sum over the columns of the layer's thickness (horizon h - 1 minus horizon h, "
                "erosion negative) times the column spacing: m3 per metre along strike; missing "
                "for horizon 1",
     .coordinates = kPerHorizon,
     .fill = true},

    // One value per column.
    {.name = "initial_surface_z",
     .type = T::Double,
     .dimensions = kX,
     .units = "m",
     .long_name = "initial surface of the run, depth below the top of the section",
     .comment = "the straight ramp or control-point profile the parameters describe",
     .positive = "down",
     .coordinates = "column",
     .fill = true},

    // The pseudo-wells.
    {.name = "well",
     .type = T::Double,
     .dimensions = kWell,
     .units = "m",
     .long_name = "position asked for the pseudo-well",
     .comment = "each well logs the column nearest to it (the lower column on a tie)",
     .csv_name = "well_x"},
    {.name = "well_column",
     .type = T::Int,
     .dimensions = kWell,
     .units = "1",
     .long_name = "column logged by the pseudo-well",
     .csv_name = "column"},
    {.name = "well_column_x",
     .type = T::Double,
     .dimensions = kWell,
     .units = "m",
     .long_name = "position of the column logged by the pseudo-well",
     .csv_name = "column_x"},
    {.name = "well_z",
     .type = T::Double,
     .dimensions = kWellHorizon,
     .units = "m",
     .long_name = "pseudo-well: depth of the horizon below the top of the section",
     .positive = "down",
     .coordinates = kPerHorizon,
     .fill = true,
     .csv_name = "z_down"},
    {.name = "well_elevation",
     .type = T::Double,
     .dimensions = kWellHorizon,
     .units = "m",
     .long_name = "pseudo-well: height of the horizon above the base of the section",
     .positive = "up",
     .coordinates = kPerHorizon,
     .fill = true,
     .csv_name = "elevation"},
    {.name = "well_burial_depth",
     .type = T::Double,
     .dimensions = kWellHorizon,
     .units = "m",
     .long_name = "pseudo-well: depth of the horizon below the newest horizon",
     .comment = "z(h) - z(N)",
     .positive = "down",
     .coordinates = kPerHorizon,
     .fill = true,
     .csv_name = "burial_depth"},
    {.name = "well_thickness",
     .type = T::Double,
     .dimensions = kWellHorizon,
     .units = "m",
     .long_name = "pseudo-well: preserved thickness of the layer below the horizon",
     .coordinates = kPerHorizon,
     .fill = true,
     .csv_name = "thickness"},
    {.name = "well_depth_of_deposition",
     .type = T::Double,
     .dimensions = kWellHorizon,
     .units = "m",
     .long_name = "pseudo-well: water depth at which the layer was deposited",
     .standard_name = "sea_floor_depth_below_sea_surface",
     .coordinates = kPerHorizon,
     .fill = true,
     .csv_name = "depth_of_deposition"},
    {.name = "well_distance_from_shore",
     .type = T::Double,
     .dimensions = kWellHorizon,
     .units = "m",
     .long_name = "pseudo-well: distance to the nearest land when the horizon was recorded",
     .comment = "10000 m means no land within 10 km",
     .coordinates = kPerHorizon,
     .fill = true,
     .csv_name = "distance_from_shore"},
    {.name = "well_porosity",
     .type = T::Double,
     .dimensions = kWellHorizon,
     .units = "1",
     .long_name = "pseudo-well: porosity of the layer below the horizon",
     .coordinates = kPerHorizon,
     .fill = true,
     .csv_name = "porosity"},
    {.name = "well_accommodation_created",
     .type = T::Double,
     .dimensions = kWellHorizon,
     .units = "m",
     .long_name = "pseudo-well: accommodation created since the horizon below",
     .comment = "thickness of the layer plus the change of the water depth it was laid down "
                "in, (z(h - 1) - z(h)) + d(h) - d(h - 1): the sea level's rise plus the column's "
                "subsidence; missing for horizons 1 and 2 and where either depth is 0 (land)",
     .coordinates = kPerHorizon,
     .fill = true,
     .csv_name = "accommodation_created"},

    // A history too long for the attribute.
    {.name = "history",
     .type = T::Char,
     .dimensions = kHistoryLength,
     .units = "",
     .long_name = "the history attribute in full"},

    // The measured sea-level curve a run followed.
    {.name = "forcing_time",
     .type = T::Double,
     .dimensions = kForcingTime,
     .units = "kyr",
     .long_name = "model time of a point of the sea-level curve",
     .comment = "model time from the start of the run"},
    {.name = "sea_level_forcing",
     .type = T::Double,
     .dimensions = kForcingTime,
     .units = "m",
     .long_name = "eustatic sea level of the measured curve the run followed",
     .comment = "linear in time between points; the run's sea level is baselevel minus the "
                "trend minus the curve's change since time 0",
     .positive = "up",
     .coordinates = "forcing_time"},
};

}  // namespace

std::string_view dimension_name(OutputDimension dimension) {
    switch (dimension) {
        case D::Horizon:
            return "horizon";
        case D::X:
            return "x";
        case D::Well:
            return "well";
        case D::HistoryLength:
            return "history_length";
        case D::ForcingTime:
            return "forcing_time";
    }
    return {};
}

std::string_view type_name(OutputType type) {
    switch (type) {
        case T::Int:
            return "int";
        case T::Double:
            return "double";
        case T::Byte:
            return "byte";
        case T::Char:
            return "char";
    }
    return {};
}

std::span<const OutputVariable> output_variables() {
    return kVariables;
}

const OutputVariable* find_output_variable(std::string_view name) {
    const auto it = std::find_if(std::begin(kVariables), std::end(kVariables),
                                 [&](const OutputVariable& v) { return v.name == name; });
    return it != std::end(kVariables) ? &*it : nullptr;
}

std::string csv_column_name(const OutputVariable& variable) {
    std::string name(variable.csv_name.empty() ? variable.name : variable.csv_name);
    if (!variable.units.empty() && variable.units != "1") {
        name += '_';
        name += variable.units;
    }
    return name;
}

int flag_count(const OutputVariable& variable) {
    if (variable.flag_meanings.empty()) {
        return 0;
    }
    return int(std::count(variable.flag_meanings.begin(), variable.flag_meanings.end(), ' ')) + 1;
}

}  // namespace vendrel
