#include "document/netcdf_export.h"

#include <netcdf.h>
#include <netcdf_mem.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "core/model_state.h"
#include "core/parameter_fields.h"
#include "core/sea_level_curve.h"
#include "document/atomic_file.h"
#include "document/file_error.h"
#include "document/platform_margin.h"
#include "document/pseudo_well.h"
#include "document/shoreline_trajectory.h"
#include "vendrel/version.h"

namespace vendrel {

namespace {

constexpr double kFill = NC_FILL_DOUBLE;
constexpr signed char kFlagFill = NC_FILL_BYTE;
// Chunks of whole horizons, 64 at a time (1 MB of doubles): few enough that
// the compressor's set-up per chunk costs little, small enough for readers'
// caches.
constexpr std::size_t kChunkHorizons = 64;
constexpr std::size_t kChunkColumns = COLUMN_COUNT;
constexpr int kDeflateLevel = 1;

void check(int status) {
    if (status != NC_NOERR) {
        throw FileError(std::string("cannot write NetCDF data: ") + nc_strerror(status));
    }
}

// The longest "history" kept as an attribute. HDF5 keeps a group's
// attributes in its header, where one may take at most 64 KiB; the
// parameters and the comment take a few KiB beside it.
constexpr std::size_t kLongestHistoryAttribute = 32768;

// A history too long for an attribute: its start, cut at a character, and
// where the whole text is.
std::string shortened_history(std::string_view history) {
    std::size_t cut = kLongestHistoryAttribute - 128;
    while (cut > 0 && (static_cast<unsigned char>(history[cut]) & 0xc0) == 0x80) {
        --cut;  // not inside a UTF-8 sequence
    }
    return std::string(history.substr(0, cut)) + " ... (" + std::to_string(history.size()) +
           " bytes in all, kept whole in the variable \"history\")";
}

double or_fill(double value) {
    return std::isfinite(value) ? value : kFill;
}

// One NetCDF-4 dataset in memory; discarded unless closed.
class MemoryDataset {
  public:
    explicit MemoryDataset(std::size_t initial_size) {
        check(nc_create_mem("vendrel-export.nc", NC_NETCDF4 | NC_CLOBBER, initial_size, &id_));
        open_ = true;
        int old_mode = 0;
        check(nc_set_fill(id_, NC_NOFILL, &old_mode));
    }
    ~MemoryDataset() {
        if (open_) {
            nc_abort(id_);
        }
    }
    MemoryDataset(const MemoryDataset&) = delete;
    MemoryDataset& operator=(const MemoryDataset&) = delete;

    int id() const { return id_; }

    // Ends the dataset and hands its bytes to `write`.
    void close(const std::function<void(std::string_view)>& write) {
        NC_memio memory{};
        open_ = false;
        check(nc_close_memio(id_, &memory));
        const std::unique_ptr<void, void (*)(void*)> owner(memory.memory, std::free);
        write(std::string_view(static_cast<const char*>(memory.memory), memory.size));
    }

    int dimension(const char* name, std::size_t length) {
        int dim = 0;
        check(nc_def_dim(id_, name, length, &dim));
        return dim;
    }

    // A variable over `dims`; data over two dimensions is chunked and
    // compressed.
    int variable(const char* name, nc_type type, std::initializer_list<int> dims) {
        int var = 0;
        check(nc_def_var(id_, name, type, int(dims.size()), dims.begin(), &var));
        if (dims.size() == 2) {
            std::size_t lengths[2] = {};
            check(nc_inq_dimlen(id_, dims.begin()[0], &lengths[0]));
            check(nc_inq_dimlen(id_, dims.begin()[1], &lengths[1]));
            const std::size_t chunks[2] = {std::clamp<std::size_t>(lengths[0], 1, kChunkHorizons),
                                           std::clamp<std::size_t>(lengths[1], 1, kChunkColumns)};
            check(nc_def_var_chunking(id_, var, NC_CHUNKED, chunks));
            check(nc_def_var_deflate(id_, var, 1, 1, kDeflateLevel));
        }
        return var;
    }

    void text(int var, const char* name, std::string_view value) {
        check(nc_put_att_text(id_, var, name, value.size(), value.data()));
    }
    void number(int var, const char* name, double value) {
        check(nc_put_att_double(id_, var, name, NC_DOUBLE, 1, &value));
    }
    void fill(int var) { number(var, "_FillValue", kFill); }

    void end_definitions() { check(nc_enddef(id_)); }
    void put(int var, const std::vector<double>& values) {
        check(nc_put_var_double(id_, var, values.data()));
    }
    void put(int var, const std::vector<int>& values) {
        check(nc_put_var_int(id_, var, values.data()));
    }
    void put(int var, const std::vector<signed char>& values) {
        check(nc_put_var_schar(id_, var, values.data()));
    }

  private:
    int id_ = -1;
    bool open_ = false;
};

// Common attributes of a variable.
struct Description {
    const char* long_name;
    const char* units;  // nullptr: none
    const char* comment = nullptr;
    const char* positive = nullptr;
    const char* coordinates = nullptr;
    bool fill = true;
    const char* standard_name = nullptr;
    const char* axis = nullptr;
};

void describe(MemoryDataset& nc, int var, const Description& d) {
    if (d.standard_name != nullptr) {
        nc.text(var, "standard_name", d.standard_name);
    }
    nc.text(var, "long_name", d.long_name);
    if (d.units != nullptr) {
        nc.text(var, "units", d.units);
    }
    if (d.axis != nullptr) {
        nc.text(var, "axis", d.axis);
    }
    if (d.positive != nullptr) {
        nc.text(var, "positive", d.positive);
    }
    if (d.comment != nullptr) {
        nc.text(var, "comment", d.comment);
    }
    if (d.coordinates != nullptr) {
        nc.text(var, "coordinates", d.coordinates);
    }
    if (d.fill) {
        nc.fill(var);
    }
}

constexpr const char* kGlobalComment =
    "Horizon h is slot h of the model, 1 to N; horizon 1 is the initial surface at time 0. "
    "time(h) = (h - 1) x (time steps between recordings) x dt, in kyr; age(h) = time(N) - "
    "time(h), kyr before the newest recorded horizon. z is depth below the top of the section, "
    "positive down (0 at the top, max_y at the base); elevation = max_y - z. Layer h (h >= 2) "
    "lies between horizons h - 1 and h; its depth of deposition, distance from shore and "
    "porosity are stored at horizon h. Thickness(h) = z(h - 1) - z(h), at least 0; a layer of "
    "at most 0.001 m is a hiatus; a layer that is not a hiatus and was laid down at or above sea "
    "level (depth of deposition 0) is subaerial. Horizon 1 has no layer: its thickness, "
    "hiatus, subaerial flag, depth of deposition, distance from shore and porosity are missing. "
    "Global attributes named after "
    "parameters hold the parameters of the run, with their units in <name>_units; "
    "simulated_time is the time the results reach, less than totaltime when the run ended "
    "early.";

// A parameter's unit as UDUNITS-2 reads it: a flag or count has none, CF's
// dimensionless "1"; thousands of years are "kyr" (UDUNITS reads "ka" as
// kilo-are, an area); a reciprocal is a negative power ("1/m" does not
// parse).
std::string udunits_spelling(std::string_view unit) {
    if (unit.empty()) {
        return "1";
    }
    if (unit == "m/ka") {
        return "m/kyr";
    }
    if (unit == "1/m") {
        return "m-1";
    }
    return std::string(unit);
}

void put_parameters(MemoryDataset& nc, const ProjectData& data) {
    for (const ParameterField& field : parameter_fields()) {
        const std::string name(field.name);
        const int count = field.count();
        if (field.is_integer()) {
            const int value = int(field_value(field, data.params, data.display));
            check(nc_put_att_int(nc.id(), NC_GLOBAL, name.c_str(), NC_INT, 1, &value));
        } else {
            std::vector<double> values(static_cast<std::size_t>(count));
            for (int k = 0; k < count; ++k) {
                values[std::size_t(k)] = field_value(field, data.params, data.display, k);
            }
            check(nc_put_att_double(nc.id(), NC_GLOBAL, name.c_str(), NC_DOUBLE, std::size_t(count),
                                    values.data()));
        }
        nc.text(NC_GLOBAL, (name + "_units").c_str(), udunits_spelling(field.unit));
    }
}

}  // namespace

// The measured sea-level curve a run followed, when it had one: dimension
// forcing_time (its points), coordinate forcing_time (kyr from the run's
// start) and sea_level_forcing (m, positive up), with the curve's file name
// in the attribute source_file.
struct SeaLevelForcing {
    const SeaLevelCurve* curve = nullptr;
    int time = -1;
    int level = -1;
};

SeaLevelForcing define_sea_level_forcing(MemoryDataset& nc, const ProjectData& data) {
    SeaLevelForcing forcing;
    forcing.curve = data.params.sea_level_curve.get();
    if (forcing.curve == nullptr) {
        return forcing;
    }
    const int dim = nc.dimension("forcing_time", forcing.curve->points().size());
    forcing.time = nc.variable("forcing_time", NC_DOUBLE, {dim});
    describe(nc, forcing.time,
             {.long_name = "model time of a point of the sea-level curve",
              .units = "kyr",
              .comment = "model time from the start of the run",
              .fill = false});
    forcing.level = nc.variable("sea_level_forcing", NC_DOUBLE, {dim});
    describe(nc, forcing.level,
             {.long_name = "eustatic sea level of the measured curve the run followed",
              .units = "m",
              .comment = "linear in time between points; the run's sea level is baselevel minus "
                         "the trend minus the curve's change since time 0",
              .positive = "up",
              .coordinates = "forcing_time",
              .fill = false});
    nc.text(forcing.level, "source_file", forcing.curve->name());
    return forcing;
}

void put_sea_level_forcing(MemoryDataset& nc, const SeaLevelForcing& forcing) {
    if (forcing.curve == nullptr) {
        return;
    }
    std::vector<double> times;
    std::vector<double> levels;
    times.reserve(forcing.curve->points().size());
    levels.reserve(forcing.curve->points().size());
    for (const SeaLevelPoint& point : forcing.curve->points()) {
        times.push_back(point.time / 1000);
        levels.push_back(point.level);
    }
    nc.put(forcing.time, times);
    nc.put(forcing.level, levels);
}

void write_netcdf(const ProjectData& data, const NetcdfExport& options,
                  const std::function<void(std::string_view)>& write) {
    const Stratigraphy section(data);
    const int n = std::max(data.count, 0);
    std::vector<PseudoWell> wells;
    for (double x : sorted_well_positions(options.well_x)) {
        wells.push_back(make_pseudo_well(section, x));
    }

    const std::size_t cells = std::size_t(n) * COLUMN_COUNT;
    // About what the compressed file needs; the memory grows by as much
    // again when that is not enough.
    MemoryDataset nc(cells * 16 + (std::size_t(1) << 20));
    const int id = NC_GLOBAL;
    nc.text(id, "Conventions", "CF-1.8");
    nc.text(id, "title", "Carbonate platform cross-section");
    nc.text(id, "source", std::string("Vendrel ") + kVersion);
    const bool long_history = options.history.size() > kLongestHistoryAttribute;
    nc.text(id, "history", long_history ? shortened_history(options.history) : options.history);
    nc.text(id, "comment", kGlobalComment);
    nc.text(id, "vendrel_version", kVersion);
    put_parameters(nc, data);
    // The time the results reach; totaltime is the time asked for.
    check(nc_put_att_double(nc.id(), id, "simulated_time", NC_DOUBLE, 1, &data.simulated_time));
    nc.text(id, "simulated_time_units", "yr");

    // x is the dimension of the columns, so that readers index and select
    // by position along the section; column numbers are a coordinate on it.
    const int horizon_dim = nc.dimension("horizon", std::size_t(n));
    const int column_dim = nc.dimension("x", COLUMN_COUNT);

    const int horizon = nc.variable("horizon", NC_INT, {horizon_dim});
    describe(nc, horizon,
             {.long_name = "horizon number, 1 = initial surface, N = newest",
              .units = "1",
              .fill = false});
    const int column = nc.variable("column", NC_INT, {column_dim});
    describe(nc, column, {.long_name = "column number", .units = "1", .fill = false});
    const int x = nc.variable("x", NC_DOUBLE, {column_dim});
    describe(nc, x,
             {.long_name = "position of the column along the section",
              .units = "m",
              .comment = "distance from the left edge of the section",
              .fill = false,
              .axis = "X"});
    const int time = nc.variable("time", NC_DOUBLE, {horizon_dim});
    describe(nc, time,
             {.long_name = "model time of the horizon",
              .units = "kyr",
              .comment = "model time from the start of the run; the initial surface is at 0. Not "
                         "defined when the parameters record no horizons"});
    const int age = nc.variable("age", NC_DOUBLE, {horizon_dim});
    describe(nc, age,
             {.long_name = "age of the horizon before the newest recorded horizon",
              .units = "kyr",
              .comment = "age = time(N) - time"});

    const char* grid_coordinates = "time age column";
    struct GridVariable {
        const char* name;
        nc_type type;
        Description description;
        std::function<double(int, int)> value;  // column, horizon
    };
    const GridVariable grid[] = {
        {"z",
         NC_DOUBLE,
         {.long_name = "depth of the horizon below the top of the section",
          .units = "m",
          .comment = "datum: the top of the section (0 m); the base of the section is at max_y",
          .positive = "down",
          .coordinates = grid_coordinates},
         [&](int c, int h) { return section.z(c, h); }},
        {"elevation",
         NC_DOUBLE,
         {.long_name = "height of the horizon above the base of the section",
          .units = "m",
          .comment = "elevation = max_y - z",
          .positive = "up",
          .coordinates = grid_coordinates},
         [&](int c, int h) { return section.elevation(c, h); }},
        {"depth_of_deposition",
         NC_DOUBLE,
         {.long_name = "water depth at which the layer below the horizon was deposited",
          .units = "m",
          .comment = "0 where the column was at or above sea level; not defined for horizon 1",
          .coordinates = grid_coordinates,
          .standard_name = "sea_floor_depth_below_sea_surface"},
         [&](int c, int h) { return section.depth_of_deposition(c, h); }},
        {"distance_from_shore",
         NC_DOUBLE,
         {.long_name = "distance to the nearest land when the horizon was recorded",
          .units = "m",
          .comment = "for a column on land, the distance to the nearest other land column; "
                     "10000 m means no land within 10 km; not defined for horizon 1",
          .coordinates = grid_coordinates},
         [&](int c, int h) { return section.distance_from_shore(c, h); }},
        {"porosity",
         NC_DOUBLE,
         {.long_name = "porosity of the layer below the horizon",
          .units = "1",
          .comment = "volume fraction of pore space; not defined for horizon 1",
          .coordinates = grid_coordinates},
         [&](int c, int h) { return section.porosity(c, h); }},
        {"thickness",
         NC_DOUBLE,
         {.long_name = "preserved thickness of the layer below the horizon",
          .units = "m",
          .comment = "z(h - 1) - z(h), a negative difference counting as 0; not defined for "
                     "horizon 1",
          .coordinates = grid_coordinates},
         [&](int c, int h) { return section.thickness(c, h); }},
    };
    std::vector<int> grid_ids;
    for (const GridVariable& v : grid) {
        grid_ids.push_back(nc.variable(v.name, v.type, {horizon_dim, column_dim}));
        describe(nc, grid_ids.back(), v.description);
    }
    const int hiatus = nc.variable("hiatus", NC_BYTE, {horizon_dim, column_dim});
    describe(nc, hiatus,
             {.long_name = "layer below the horizon records no deposition",
              .units = nullptr,
              .comment = "1 where the layer is at most 0.001 m thick; not defined for horizon 1",
              .coordinates = grid_coordinates,
              .fill = false});
    check(nc_put_att_schar(nc.id(), hiatus, "_FillValue", NC_BYTE, 1, &kFlagFill));
    const signed char flag_values[2] = {0, 1};
    check(nc_put_att_schar(nc.id(), hiatus, "flag_values", NC_BYTE, 2, flag_values));
    nc.text(hiatus, "flag_meanings", "deposition hiatus");
    const int subaerial = nc.variable("subaerial", NC_BYTE, {horizon_dim, column_dim});
    describe(nc, subaerial,
             {.long_name = "layer below the horizon was laid down at or above sea level",
              .units = nullptr,
              .comment = "1 where the depth of deposition is 0 (the column stood at or above "
                         "sea level when the horizon was recorded) and the layer is not a "
                         "hiatus; not defined for horizon 1",
              .coordinates = grid_coordinates,
              .fill = false});
    check(nc_put_att_schar(nc.id(), subaerial, "_FillValue", NC_BYTE, 1, &kFlagFill));
    check(nc_put_att_schar(nc.id(), subaerial, "flag_values", NC_BYTE, 2, flag_values));
    nc.text(subaerial, "flag_meanings", "subaqueous subaerial");

    const int sea_z = nc.variable("sea_level_z", NC_DOUBLE, {horizon_dim});
    constexpr const char* kSeaLevelComment =
        "sea level when the horizon was recorded. Horizon 1 holds the first value of the "
        "sea-level curve planned at the last model reset, not the sea level at time 0 (that is "
        "the baselevel attribute)";
    describe(nc, sea_z,
             {.long_name = "sea level, depth below the top of the section",
              .units = "m",
              .comment = kSeaLevelComment,
              .positive = "down",
              .coordinates = "time age"});
    const int sea_elevation = nc.variable("sea_level_elevation", NC_DOUBLE, {horizon_dim});
    describe(nc, sea_elevation,
             {.long_name = "sea level, height above the base of the section",
              .units = "m",
              .comment = kSeaLevelComment,
              .positive = "up",
              .coordinates = "time age"});
    const int shore_x = nc.variable("shoreline_x", NC_DOUBLE, {horizon_dim});
    describe(nc, shore_x,
             {.long_name = "shoreline of the horizon: the most basinward crossing of the horizon "
                           "and its sea level",
              .units = "m",
              .comment = "x of the seaward-most column at or above the sea level the horizon was "
                         "recorded with (time 0: baselevel); missing where none is",
              .coordinates = "time age"});
    const int shore_elevation = nc.variable("shoreline_elevation", NC_DOUBLE, {horizon_dim});
    describe(nc, shore_elevation,
             {.long_name = "height of the shoreline above the base of the section",
              .units = "m",
              .positive = "up",
              .coordinates = "time age"});
    const int trajectory = nc.variable("trajectory", NC_BYTE, {horizon_dim});
    describe(nc, trajectory,
             {.long_name = "class of the shoreline's step from the horizon below",
              .units = nullptr,
              .comment = "forced regressive: the shoreline falls and moves seaward or stays; "
                         "normal regressive: it moves seaward by more than a column and does not "
                         "fall; transgressive: it moves landward by more than a column; "
                         "aggradational: it rises or stays within a column. Missing for horizon "
                         "1 and where a shoreline is missing",
              .coordinates = "time age",
              .fill = false});
    check(nc_put_att_schar(nc.id(), trajectory, "_FillValue", NC_BYTE, 1, &kFlagFill));
    const signed char trajectory_values[4] = {0, 1, 2, 3};
    check(nc_put_att_schar(nc.id(), trajectory, "flag_values", NC_BYTE, 4, trajectory_values));
    nc.text(trajectory, "flag_meanings",
            "forced_regressive normal_regressive transgressive aggradational");
    const int margin_x = nc.variable("platform_margin_x", NC_DOUBLE, {horizon_dim});
    describe(nc, margin_x,
             {.long_name = "platform margin (shelf break) of the horizon",
              .units = "m",
              .comment = "x of the first column seaward of the shoreline, counted from the "
                         "shoreline's own, whose slope down to the next column exceeds 0.05 m "
                         "per m; missing without a shoreline or such a slope",
              .coordinates = "time age"});
    const int margin_elevation = nc.variable("platform_margin_elevation", NC_DOUBLE, {horizon_dim});
    describe(nc, margin_elevation,
             {.long_name = "height of the platform margin above the base of the section",
              .units = "m",
              .positive = "up",
              .coordinates = "time age"});
    const int supplied = nc.variable("sediment_supplied", NC_DOUBLE, {horizon_dim});
    describe(nc, supplied,
             {.long_name = "sediment the layer below the horizon adds to the section",
              .units = "m2",
              .comment = "sum over the columns of the layer's thickness (horizon h - 1 minus "
                         "horizon h, erosion negative) times the column spacing: m3 per metre "
                         "along strike; missing for horizon 1",
              .coordinates = "time age"});
    const int initial = nc.variable("initial_surface_z", NC_DOUBLE, {column_dim});
    describe(nc, initial,
             {.long_name = "initial surface of the run, depth below the top of the section",
              .units = "m",
              .comment = "the straight ramp or control-point profile the parameters describe",
              .positive = "down",
              .coordinates = "column"});

    struct WellVariable {
        const char* name;
        Description description;
        double WellSample::*member;
    };
    const char* well_coordinates = "time age";
    const WellVariable well_variables[] = {
        {"well_z",
         {.long_name = "pseudo-well: depth of the horizon below the top of the section",
          .units = "m",
          .positive = "down",
          .coordinates = well_coordinates},
         &WellSample::z},
        {"well_elevation",
         {.long_name = "pseudo-well: height of the horizon above the base of the section",
          .units = "m",
          .positive = "up",
          .coordinates = well_coordinates},
         &WellSample::elevation},
        {"well_burial_depth",
         {.long_name = "pseudo-well: depth of the horizon below the newest horizon",
          .units = "m",
          .comment = "z(h) - z(N)",
          .positive = "down",
          .coordinates = well_coordinates},
         &WellSample::burial_depth},
        {"well_thickness",
         {.long_name = "pseudo-well: preserved thickness of the layer below the horizon",
          .units = "m",
          .coordinates = well_coordinates},
         &WellSample::thickness},
        {"well_depth_of_deposition",
         {.long_name = "pseudo-well: water depth at which the layer was deposited",
          .units = "m",
          .coordinates = well_coordinates,
          .standard_name = "sea_floor_depth_below_sea_surface"},
         &WellSample::depth_of_deposition},
        {"well_distance_from_shore",
         {.long_name = "pseudo-well: distance to the nearest land when the horizon was recorded",
          .units = "m",
          .comment = "10000 m means no land within 10 km",
          .coordinates = well_coordinates},
         &WellSample::distance_from_shore},
        {"well_porosity",
         {.long_name = "pseudo-well: porosity of the layer below the horizon",
          .units = "1",
          .coordinates = well_coordinates},
         &WellSample::porosity},
        {"well_accommodation_created",
         {.long_name = "pseudo-well: accommodation created since the horizon below",
          .units = "m",
          .comment = "thickness of the layer plus the change of the water depth it was laid "
                     "down in, (z(h - 1) - z(h)) + d(h) - d(h - 1): the sea level's rise plus "
                     "the column's subsidence; missing for horizons 1 and 2 and where either "
                     "depth is 0 (land)",
          .coordinates = well_coordinates},
         &WellSample::accommodation_created},
    };
    int well = -1;
    int well_column_id = -1;
    int well_column_x = -1;
    std::vector<int> well_ids;
    if (!wells.empty()) {
        const int well_dim = nc.dimension("well", wells.size());
        well = nc.variable("well", NC_DOUBLE, {well_dim});
        describe(nc, well,
                 {.long_name = "position asked for the pseudo-well",
                  .units = "m",
                  .comment = "each well logs the column nearest to it (the lower column on a tie)",
                  .fill = false});
        well_column_id = nc.variable("well_column", NC_INT, {well_dim});
        describe(nc, well_column_id,
                 {.long_name = "column logged by the pseudo-well", .units = "1", .fill = false});
        well_column_x = nc.variable("well_column_x", NC_DOUBLE, {well_dim});
        describe(nc, well_column_x,
                 {.long_name = "position of the column logged by the pseudo-well",
                  .units = "m",
                  .fill = false});
        for (const WellVariable& v : well_variables) {
            well_ids.push_back(nc.variable(v.name, NC_DOUBLE, {well_dim, horizon_dim}));
            describe(nc, well_ids.back(), v.description);
        }
    }
    int history = -1;
    if (long_history) {
        const int length = nc.dimension("history_length", options.history.size());
        history = nc.variable("history", NC_CHAR, {length});
        describe(nc, history,
                 {.long_name = "the history attribute in full", .units = nullptr, .fill = false});
    }
    const SeaLevelForcing forcing = define_sea_level_forcing(nc, data);
    nc.end_definitions();
    if (history >= 0) {
        check(nc_put_var_text(nc.id(), history, options.history.data()));
    }

    std::vector<int> numbers(static_cast<std::size_t>(n));
    for (int h = 1; h <= n; ++h) {
        numbers[std::size_t(h - 1)] = h;
    }
    nc.put(horizon, numbers);
    numbers.resize(COLUMN_COUNT);
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        numbers[std::size_t(c - 1)] = c;
    }
    nc.put(column, numbers);
    // The x coordinate holds what the model holds, without fill values.
    nc.put(x, std::vector<double>(data.x_values.begin() + 1, data.x_values.end()));

    const auto per_horizon = [&](const std::function<double(int)>& value) {
        std::vector<double> out(static_cast<std::size_t>(n));
        for (int h = 1; h <= n; ++h) {
            out[std::size_t(h - 1)] = or_fill(value(h));
        }
        return out;
    };
    nc.put(time, per_horizon([&](int h) { return section.time_kyr(h); }));
    nc.put(age, per_horizon([&](int h) { return section.age_kyr(h); }));
    nc.put(sea_z, per_horizon([&](int h) { return section.sea_level_z(h); }));
    nc.put(sea_elevation, per_horizon([&](int h) { return section.sea_level_elevation(h); }));

    std::vector<double> values(cells);
    for (std::size_t k = 0; k < std::size(grid); ++k) {
        auto out = values.begin();
        for (int h = 1; h <= n; ++h) {
            for (int c = 1; c <= COLUMN_COUNT; ++c) {
                *out++ = or_fill(grid[k].value(c, h));
            }
        }
        nc.put(grid_ids[k], values);
    }
    const std::vector<ShorelinePoint> shore = shoreline_trajectory(data);
    nc.put(shore_x, per_horizon([&](int h) {
               const ShorelinePoint& p = shore[std::size_t(h - 1)];
               return p.column != 0 ? p.x : kFill;
           }));
    nc.put(shore_elevation, per_horizon([&](int h) {
               const ShorelinePoint& p = shore[std::size_t(h - 1)];
               return p.column != 0 ? p.elevation : kFill;
           }));
    std::vector<signed char> steps;
    for (const ShorelinePoint& p : shore) {
        steps.push_back(p.step == TrajectoryClass::Missing ? kFlagFill
                                                           : static_cast<signed char>(p.step));
    }
    nc.put(trajectory, steps);
    const std::vector<MarginPoint> margin = platform_margin(data, shore);
    nc.put(margin_x, per_horizon([&](int h) {
               const MarginPoint& m = margin[std::size_t(h - 1)];
               return m.column != 0 ? m.x : kFill;
           }));
    nc.put(margin_elevation, per_horizon([&](int h) {
               const MarginPoint& m = margin[std::size_t(h - 1)];
               return m.column != 0 ? m.elevation : kFill;
           }));
    const std::vector<double> supply = sediment_supplied(data);
    nc.put(supplied, per_horizon([&](int h) { return or_fill(supply[std::size_t(h - 1)]); }));

    std::vector<signed char> flags(cells);
    const auto put_flags = [&](int var, std::int8_t (Stratigraphy::*of)(int, int) const) {
        auto flag = flags.begin();
        for (int h = 1; h <= n; ++h) {
            for (int c = 1; c <= COLUMN_COUNT; ++c) {
                const std::int8_t f = (section.*of)(c, h);
                *flag++ = f < 0 ? kFlagFill : static_cast<signed char>(f);
            }
        }
        nc.put(var, flags);
    };
    put_flags(hiatus, &Stratigraphy::hiatus);
    put_flags(subaerial, &Stratigraphy::subaerial);

    std::vector<double> surface = initial_surface_z(data.params);
    surface.erase(surface.begin());
    for (double& v : surface) {
        v = or_fill(v);
    }
    nc.put(initial, surface);
    put_sea_level_forcing(nc, forcing);

    if (!wells.empty()) {
        std::vector<double> positions;
        std::vector<int> columns;
        std::vector<double> column_positions;
        for (const PseudoWell& w : wells) {
            positions.push_back(w.x);
            columns.push_back(w.column);
            column_positions.push_back(w.column_x);
        }
        nc.put(well, positions);
        nc.put(well_column_id, columns);
        nc.put(well_column_x, column_positions);
        for (std::size_t k = 0; k < std::size(well_variables); ++k) {
            std::vector<double> log;
            for (const PseudoWell& w : wells) {
                for (const WellSample& s : w.samples) {
                    log.push_back(or_fill(s.*(well_variables[k].member)));
                }
            }
            nc.put(well_ids[k], log);
        }
    }
    nc.close(write);
}

std::string format_netcdf(const ProjectData& data, const NetcdfExport& options) {
    std::string bytes;
    write_netcdf(data, options, [&](std::string_view b) { bytes.assign(b); });
    return bytes;
}

void save_netcdf(const std::string& path, const ProjectData& data, const NetcdfExport& options) {
    AtomicFile file(path);
    write_netcdf(data, options, [&](std::string_view bytes) { file.write(bytes); });
    file.commit();
}

}  // namespace vendrel
