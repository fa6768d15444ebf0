#include "document/netcdf_export.h"

#include <netcdf.h>
#include <netcdf_mem.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/model_state.h"
#include "core/parameter_fields.h"
#include "core/sea_level_curve.h"
#include "document/atomic_file.h"
#include "document/file_error.h"
#include "document/output_variables.h"
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
    int variable(const char* name, nc_type type, std::span<const int> dims) {
        int var = 0;
        check(nc_def_var(id_, name, type, int(dims.size()), dims.data(), &var));
        if (dims.size() == 2) {
            std::size_t lengths[2] = {};
            check(nc_inq_dimlen(id_, dims[0], &lengths[0]));
            check(nc_inq_dimlen(id_, dims[1], &lengths[1]));
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

nc_type nc_type_of(OutputType type) {
    switch (type) {
        case OutputType::Int:
            return NC_INT;
        case OutputType::Double:
            return NC_DOUBLE;
        case OutputType::Byte:
            return NC_BYTE;
        case OutputType::Char:
            return NC_CHAR;
    }
    return NC_NAT;
}

// Defines a variable of the table over the dimensions `dims` with the
// attributes the table gives it.
int define_variable(MemoryDataset& nc, const OutputVariable& v, std::span<const int> dims) {
    const int var = nc.variable(std::string(v.name).c_str(), nc_type_of(v.type), dims);
    const auto text = [&](const char* attribute, std::string_view value) {
        if (!value.empty()) {
            nc.text(var, attribute, value);
        }
    };
    text("standard_name", v.standard_name);
    text("long_name", v.long_name);
    text("units", v.units);
    text("axis", v.axis);
    text("positive", v.positive);
    text("comment", v.comment);
    text("coordinates", v.coordinates);
    if (v.fill && v.type == OutputType::Byte) {
        check(nc_put_att_schar(nc.id(), var, "_FillValue", NC_BYTE, 1, &kFlagFill));
    } else if (v.fill) {
        nc.fill(var);
    }
    if (!v.flag_meanings.empty()) {
        std::vector<signed char> values(static_cast<std::size_t>(flag_count(v)));
        for (std::size_t k = 0; k < values.size(); ++k) {
            values[k] = static_cast<signed char>(k);
        }
        check(nc_put_att_schar(nc.id(), var, "flag_values", NC_BYTE, values.size(), values.data()));
        nc.text(var, "flag_meanings", v.flag_meanings);
    }
    return var;
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

void write_netcdf(const ProjectData& data, const NetcdfExport& options,
                  const std::function<void(std::string_view)>& write) {
    const Stratigraphy section(data);
    const int n = std::max(data.count, 0);
    std::vector<PseudoWell> wells;
    for (double x : sorted_well_positions(options.well_x)) {
        wells.push_back(make_pseudo_well(section, x));
    }
    const SeaLevelCurve* curve = data.params.sea_level_curve.get();

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

    // The length of each dimension, 0 for one the file leaves out with its
    // variables. x is the dimension of the columns, so that readers index
    // and select by position along the section; column numbers are a
    // coordinate on it.
    const auto length = [&](OutputDimension dimension) -> std::size_t {
        switch (dimension) {
            case OutputDimension::Horizon:
                return std::size_t(n);
            case OutputDimension::X:
                return COLUMN_COUNT;
            case OutputDimension::Well:
                return wells.size();
            case OutputDimension::HistoryLength:
                return long_history ? options.history.size() : 0;
            case OutputDimension::ForcingTime:
                return curve != nullptr ? curve->points().size() : 0;
        }
        return 0;
    };
    // horizon and x come first even when empty; the others just before the
    // first variable over them.
    std::map<OutputDimension, int> dimensions;
    for (OutputDimension always : {OutputDimension::Horizon, OutputDimension::X}) {
        dimensions[always] =
            nc.dimension(std::string(dimension_name(always)).c_str(), length(always));
    }
    std::map<std::string_view, int> ids;
    for (const OutputVariable& v : output_variables()) {
        const bool present = std::all_of(
            v.dimensions.begin(), v.dimensions.end(),
            [&](OutputDimension d) { return dimensions.count(d) != 0 || length(d) != 0; });
        if (!present) {
            continue;
        }
        std::vector<int> dims;
        for (OutputDimension d : v.dimensions) {
            if (dimensions.count(d) == 0) {
                dimensions[d] = nc.dimension(std::string(dimension_name(d)).c_str(), length(d));
            }
            dims.push_back(dimensions[d]);
        }
        ids[v.name] = define_variable(nc, v, dims);
    }
    if (curve != nullptr) {
        nc.text(ids.at("sea_level_forcing"), "source_file", curve->name());
    }
    nc.end_definitions();

    const auto per_horizon = [&](const std::function<double(int)>& value) {
        std::vector<double> out(static_cast<std::size_t>(n));
        for (int h = 1; h <= n; ++h) {
            out[std::size_t(h - 1)] = or_fill(value(h));
        }
        return out;
    };
    // One value per horizon and column, horizon outer.
    using CellValue = double (Stratigraphy::*)(int, int) const;
    std::vector<double> values;
    const auto put_cells = [&](int var, CellValue of) {
        values.resize(cells);
        auto out = values.begin();
        for (int h = 1; h <= n; ++h) {
            for (int c = 1; c <= COLUMN_COUNT; ++c) {
                *out++ = or_fill((section.*of)(c, h));
            }
        }
        nc.put(var, values);
    };
    using CellFlag = std::int8_t (Stratigraphy::*)(int, int) const;
    std::vector<signed char> flags;
    const auto put_flags = [&](int var, CellFlag of) {
        flags.resize(cells);
        auto flag = flags.begin();
        for (int h = 1; h <= n; ++h) {
            for (int c = 1; c <= COLUMN_COUNT; ++c) {
                const std::int8_t f = (section.*of)(c, h);
                *flag++ = f < 0 ? kFlagFill : static_cast<signed char>(f);
            }
        }
        nc.put(var, flags);
    };
    const auto numbers = [](int count) {
        std::vector<int> out(static_cast<std::size_t>(count));
        for (int k = 1; k <= count; ++k) {
            out[std::size_t(k - 1)] = k;
        }
        return out;
    };
    const std::vector<ShorelinePoint> shore = shoreline_trajectory(data);
    const std::vector<MarginPoint> margin = platform_margin(data, shore);
    const auto per_well = [&](auto member) {
        std::vector<std::remove_cvref_t<decltype(wells[0].*member)>> out;
        for (const PseudoWell& w : wells) {
            out.push_back(w.*member);
        }
        return out;
    };
    const auto well_log = [&](double WellSample::*member) {
        std::vector<double> log;
        for (const PseudoWell& w : wells) {
            for (const WellSample& s : w.samples) {
                log.push_back(or_fill(s.*member));
            }
        }
        return log;
    };

    // The values of every variable, in the order they are written, which
    // fixes where they lie in the file.
    using Values = std::function<void(int)>;
    const std::pair<std::string_view, Values> writers[] = {
        {"history", [&](int var) { check(nc_put_var_text(nc.id(), var, options.history.data())); }},
        {"horizon", [&](int var) { nc.put(var, numbers(n)); }},
        {"column", [&](int var) { nc.put(var, numbers(COLUMN_COUNT)); }},
        // The x coordinate holds what the model holds, without fill values.
        {"x",
         [&](int var) {
             nc.put(var, std::vector<double>(data.x_values.begin() + 1, data.x_values.end()));
         }},
        {"time",
         [&](int var) { nc.put(var, per_horizon([&](int h) { return section.time_kyr(h); })); }},
        {"age",
         [&](int var) { nc.put(var, per_horizon([&](int h) { return section.age_kyr(h); })); }},
        {"sea_level_z",
         [&](int var) { nc.put(var, per_horizon([&](int h) { return section.sea_level_z(h); })); }},
        {"sea_level_elevation",
         [&](int var) {
             nc.put(var, per_horizon([&](int h) { return section.sea_level_elevation(h); }));
         }},
        {"z", [&](int var) { put_cells(var, &Stratigraphy::z); }},
        {"elevation", [&](int var) { put_cells(var, &Stratigraphy::elevation); }},
        {"depth_of_deposition",
         [&](int var) { put_cells(var, &Stratigraphy::depth_of_deposition); }},
        {"distance_from_shore",
         [&](int var) { put_cells(var, &Stratigraphy::distance_from_shore); }},
        {"porosity", [&](int var) { put_cells(var, &Stratigraphy::porosity); }},
        {"thickness", [&](int var) { put_cells(var, &Stratigraphy::thickness); }},
        {"shoreline_x",
         [&](int var) {
             nc.put(var, per_horizon([&](int h) {
                        const ShorelinePoint& p = shore[std::size_t(h - 1)];
                        return p.column != 0 ? p.x : kFill;
                    }));
         }},
        {"shoreline_elevation",
         [&](int var) {
             nc.put(var, per_horizon([&](int h) {
                        const ShorelinePoint& p = shore[std::size_t(h - 1)];
                        return p.column != 0 ? p.elevation : kFill;
                    }));
         }},
        {"trajectory",
         [&](int var) {
             std::vector<signed char> steps;
             for (const ShorelinePoint& p : shore) {
                 steps.push_back(p.step == TrajectoryClass::Missing
                                     ? kFlagFill
                                     : static_cast<signed char>(p.step));
             }
             nc.put(var, steps);
         }},
        {"platform_margin_x",
         [&](int var) {
             nc.put(var, per_horizon([&](int h) {
                        const MarginPoint& m = margin[std::size_t(h - 1)];
                        return m.column != 0 ? m.x : kFill;
                    }));
         }},
        {"platform_margin_elevation",
         [&](int var) {
             nc.put(var, per_horizon([&](int h) {
                        const MarginPoint& m = margin[std::size_t(h - 1)];
                        return m.column != 0 ? m.elevation : kFill;
                    }));
         }},
        {"sediment_supplied",
         [&](int var) {
             const std::vector<double> supply = sediment_supplied(data);
             nc.put(var, per_horizon([&](int h) { return supply[std::size_t(h - 1)]; }));
         }},
        {"hiatus", [&](int var) { put_flags(var, &Stratigraphy::hiatus); }},
        {"subaerial", [&](int var) { put_flags(var, &Stratigraphy::subaerial); }},
        {"initial_surface_z",
         [&](int var) {
             std::vector<double> surface = initial_surface_z(data.params);
             surface.erase(surface.begin());
             for (double& v : surface) {
                 v = or_fill(v);
             }
             nc.put(var, surface);
         }},
        {"forcing_time",
         [&](int var) {
             std::vector<double> times;
             for (const SeaLevelPoint& point : curve->points()) {
                 times.push_back(point.time / 1000);
             }
             nc.put(var, times);
         }},
        {"sea_level_forcing",
         [&](int var) {
             std::vector<double> levels;
             for (const SeaLevelPoint& point : curve->points()) {
                 levels.push_back(point.level);
             }
             nc.put(var, levels);
         }},
        {"well", [&](int var) { nc.put(var, per_well(&PseudoWell::x)); }},
        {"well_column", [&](int var) { nc.put(var, per_well(&PseudoWell::column)); }},
        {"well_column_x", [&](int var) { nc.put(var, per_well(&PseudoWell::column_x)); }},
        {"well_z", [&](int var) { nc.put(var, well_log(&WellSample::z)); }},
        {"well_elevation", [&](int var) { nc.put(var, well_log(&WellSample::elevation)); }},
        {"well_burial_depth", [&](int var) { nc.put(var, well_log(&WellSample::burial_depth)); }},
        {"well_thickness", [&](int var) { nc.put(var, well_log(&WellSample::thickness)); }},
        {"well_depth_of_deposition",
         [&](int var) { nc.put(var, well_log(&WellSample::depth_of_deposition)); }},
        {"well_distance_from_shore",
         [&](int var) { nc.put(var, well_log(&WellSample::distance_from_shore)); }},
        {"well_porosity", [&](int var) { nc.put(var, well_log(&WellSample::porosity)); }},
        {"well_accommodation_created",
         [&](int var) { nc.put(var, well_log(&WellSample::accommodation_created)); }},
    };
    for (const auto& [name, put] : writers) {
        const auto it = ids.find(name);
        if (it != ids.end()) {
            put(it->second);
            ids.erase(it);
        }
    }
    if (!ids.empty()) {
        throw std::logic_error("no values for the NetCDF variable " +
                               std::string(ids.begin()->first));
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
