// The module `vendrel`: the model and its results from Python. Every step
// goes through the runner's own code: the parameters are stored as --set
// stores them, a run is refused as the runner refuses it, and the outputs
// are checked and saved by the runner's output plan, so a script and
// vendrel-run give the same files for the same request.
//
// A run computes with the GIL released, so runs in several Python threads
// use several cores; every tenth of a second it takes the GIL briefly to
// look for Ctrl-C (KeyboardInterrupt stops the run) and to call the
// progress callback.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <sys/stat.h>

#include <QGuiApplication>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <clocale>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cli/parameter_file.h"
#include "cli/run_metrics.h"
#include "cli/run_options.h"
#include "cli/script_run.h"
#include "cli/sea_level_request.h"
#include "cli/toolkit_messages.h"
#include "core/dialog_ranges.h"
#include "core/parameter_fields.h"
#include "core/thread_count.h"
#include "document/file_error.h"
#include "document/netcdf_export.h"
#include "document/project_reader.h"
#include "document/pseudo_well.h"
#include "document/sea_level_csv.h"
#include "document/stratigraphy.h"
#include "python/run_result.h"
#include "vendrel/version.h"
#include "view/figure_export.h"

namespace py = pybind11;
using namespace vendrel;

namespace {

std::string number_text(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// A file name as the bytes the file system takes (str, bytes or a path).
std::string path_bytes(const py::object& path) {
    return py::module_::import("os").attr("fsencode")(path).cast<std::string>();
}

// One number as --set takes it: whole numbers as written, others in their
// shortest exact form.
std::string number_setting(const std::string& key, py::handle value) {
    if (py::isinstance<py::bool_>(value)) {
        return value.cast<bool>() ? "1" : "0";
    }
    if (PyIndex_Check(value.ptr()) != 0) {
        return py::str(py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr())));
    }
    if (PyFloat_Check(value.ptr()) != 0 || py::hasattr(value, "__float__")) {
        const double number = PyFloat_AsDouble(value.ptr());
        if (number == -1.0 && PyErr_Occurred() != nullptr) {
            throw py::error_already_set();
        }
        return number_text(number);
    }
    throw py::type_error(key + ": expected a number, got " +
                         std::string(py::str(py::type::of(value).attr("__name__"))));
}

// A value of run()'s params as --set takes it: a string as it is, a
// number, or a sequence of numbers separated by commas.
std::string setting_text(const std::string& key, py::handle value) {
    if (py::isinstance<py::str>(value)) {
        return value.cast<std::string>();
    }
    if (py::isinstance<py::bytes>(value) || !py::hasattr(value, "__iter__")) {
        return number_setting(key, value);
    }
    std::string text;
    for (py::handle element : value) {
        if (!text.empty()) {
            text += ",";
        }
        text += number_setting(key, element);
    }
    return text;
}

// What a file was opened for, which decides the Python error of a failure.
enum class FileUse { Read, ReadContents, Save };

// A file error as Python's: FileNotFoundError where the file (or for a
// save, its folder) is missing, PermissionError where it may not be
// written, ValueError where the contents of a file that reads are not what
// was asked for, OSError otherwise; the message is the program's.
[[noreturn]] void throw_file_error(const FileError& e, const std::string& path, FileUse use) {
    const std::filesystem::path missing = use == FileUse::Save
                                              ? std::filesystem::path(path).parent_path()
                                              : std::filesystem::path(path);
    struct stat info {};
    py::object type = py::reinterpret_borrow<py::object>(PyExc_OSError);
    int error = 0;
    if (::stat(missing.empty() ? "." : missing.c_str(), &info) != 0 && errno == ENOENT) {
        type = py::reinterpret_borrow<py::object>(PyExc_FileNotFoundError);
        error = ENOENT;
    } else if (dynamic_cast<const NotWritableError*>(&e) != nullptr) {
        type = py::reinterpret_borrow<py::object>(PyExc_PermissionError);
        error = EACCES;
    } else if (use == FileUse::ReadContents) {
        throw py::value_error(e.what());
    }
    // With the message alone, str() of the exception is the program's line.
    py::object exception = type(e.what());
    if (error != 0) {
        exception.attr("errno") = error;
    }
    PyErr_SetObject(type.ptr(), exception.ptr());
    throw py::error_already_set();
}

// Pictures are drawn with the window's renderer, which needs the toolkit's
// fonts: a QGuiApplication on the offscreen platform unless one exists or
// another platform is asked for. The process's locale stays as Python set
// it.
void ensure_toolkit() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (QCoreApplication::instance() != nullptr) {
            return;
        }
        qInstallMessageHandler(drop_toolkit_messages);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        const std::string locale = std::setlocale(LC_ALL, nullptr);
        static int argc = 1;
        static char name[] = "vendrel";
        static char* argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);  // lives as long as the process
        std::setlocale(LC_ALL, locale.c_str());
    });
}

py::object optional_number(const std::optional<double>& value) {
    return value ? py::object(py::float_(*value)) : py::object(py::none());
}

py::list parameter_table() {
    const ModelParameters p = startup_parameters();
    const DisplaySettings display;
    py::list list;
    for (const ParameterField& field : parameter_fields()) {
        py::dict entry;
        const std::string name(field.name);
        entry["key"] = name;
        entry["unit"] = std::string(field.unit);
        auto value = [&](int k) -> py::object {
            const double v = field_value(field, p, display, k);
            return field.is_integer() ? py::object(py::int_(static_cast<long long>(v)))
                                      : py::object(py::float_(v));
        };
        if (field.count() == 1) {
            entry["default"] = value(0);
        } else {
            py::list values;
            for (int k = 0; k < field.count(); ++k) {
                values.append(value(k));
            }
            entry["default"] = values;
        }
        const std::optional<DialogRange> range =
            dialog_range(field.count() == 1 ? name : name + "_1");
        if (range) {
            const bool open_ended = range->high == std::numeric_limits<double>::max();
            entry["range"] =
                py::make_tuple(range->low, open_ended ? py::object(py::none())
                                                      : py::object(py::float_(range->high)));
        } else {
            entry["range"] = py::none();
        }
        entry["integer"] = field.is_integer();
        entry["description"] = std::string(field.description);
        list.append(entry);
    }
    return list;
}

RunResult run_model(const py::object& params, const py::object& sea_level, int threads,
                    bool allow_early_end, const py::object& progress) {
    std::vector<ParameterSetting> settings;
    std::string call;
    if (!params.is_none()) {
        if (!py::isinstance<py::dict>(params) && !py::hasattr(params, "keys")) {
            throw py::type_error("params is a dict of parameter keys and values, got " +
                                 std::string(py::str(py::type::of(params).attr("__name__"))));
        }
        for (const auto& [key, value] : py::dict(params)) {
            if (!py::isinstance<py::str>(key)) {
                throw py::type_error("parameter keys are strings, got " +
                                     std::string(py::str(py::repr(key))));
            }
            const std::string name = key.cast<std::string>();
            if (name == kSeaLevelFileKey) {
                throw py::value_error(name + ": name the curve with sea_level=\"FILE.csv\"");
            }
            settings.push_back({name, setting_text(name, value), "params"});
            call += (call.empty() ? "" : " ") + name + "=" + settings.back().value;
        }
    }
    if (threads < 0 || threads > kMaxWorkerThreads) {
        throw py::value_error("threads expects a whole number from 0 to " +
                              std::to_string(kMaxWorkerThreads) + ", got " +
                              std::to_string(threads));
    }
    auto project = std::make_unique<Project>(startup_parameters());
    Simulation& sim = project->simulation();
    sim.new_model();
    RunReport report;
    ModelParameters edited = sim.params();
    try {
        apply_settings(settings, edited, project->display(), report);
    } catch (const UsageError& e) {
        // The key and why, without apply_settings' "params: " origin.
        const std::string text = e.what();
        throw py::value_error(text.substr(text.find(": ") + 2));
    }
    if (!sea_level.is_none()) {
        const std::string path = path_bytes(sea_level);
        try {
            edited.sea_level_curve = read_sea_level_csv(path, edited.totaltime);
        } catch (const FileError& e) {
            throw_file_error(e, path, FileUse::ReadContents);
        }
        report.sea_level_file = edited.sea_level_curve->name();
        call += (call.empty() ? "" : " ") + std::string("sea_level=") + path;
    }
    edited.omp_threads = threads;

    const auto poll = [&]() -> bool {
        const py::gil_scoped_acquire gil;
        if (PyErr_CheckSignals() != 0) {
            return false;
        }
        if (!progress.is_none()) {
            double time = 0;
            {
                const Simulation::ReadGuard model = sim.read();
                time = model.state().sim_time;
            }
            const double total = edited.totaltime;
            try {
                progress(total > 0 ? std::min(1.0, time / total) : 0.0);
            } catch (py::error_already_set& e) {
                e.restore();
                return false;
            }
        }
        return true;
    };
    bool ended = false;
    {
        const py::gil_scoped_release released;
        ended = run_to_end(sim, edited, allow_early_end, "; or give allow_early_end=True", report,
                           std::chrono::milliseconds(100), poll);
    }
    if (!ended) {
        throw py::error_already_set();
    }
    if (!progress.is_none()) {
        progress(1.0);
    }
    return RunResult(project->snapshot(), std::move(report),
                     "vendrel " + std::string(kVersion) + " (Python): run(" + call + ")");
}

RunResult open_project(const py::object& path_object) {
    const std::string path = path_bytes(path_object);
    auto project = std::make_unique<Project>(startup_parameters());
    project->simulation().new_model();
    std::string warning;
    try {
        warning = project->open(path);
    } catch (const ProjectFileError& e) {
        throw py::value_error(e.what());
    } catch (const FileError& e) {
        throw_file_error(e, path, FileUse::Read);
    }
    if (!warning.empty()) {
        if (PyErr_WarnEx(PyExc_RuntimeWarning, warning.c_str(), 1) != 0) {
            throw py::error_already_set();
        }
    }
    RunReport report;
    return RunResult(project->snapshot(), std::move(report),
                     "vendrel " + std::string(kVersion) + " (Python): " + path);
}

std::vector<double> positions(const py::iterable& wells) {
    std::vector<double> x;
    for (py::handle well : wells) {
        x.push_back(well.cast<double>());
    }
    return x;
}

// Runs the runner's outputs of `args`; a file error names `path`.
void save_outputs(const RunResult& result, const std::vector<std::string>& args,
                  const std::string& path) {
    try {
        result.save_outputs(args);
    } catch (const FileError& e) {
        throw_file_error(e, path, FileUse::Save);
    }
}

// The runner's options for a figure or a Wheeler diagram.
std::vector<std::string> figure_args(const std::string& option, const std::string& path,
                                     const py::object& size, const py::object& width,
                                     const py::object& dpi, const py::iterable& marks,
                                     const py::iterable& wells) {
    std::vector<std::string> args{"--" + option + "=" + path};
    if (!size.is_none()) {
        const auto [w, h] = size.cast<std::pair<long long, long long>>();
        args.push_back("--size=" + std::to_string(w) + "x" + std::to_string(h));
    }
    if (!width.is_none()) {
        args.push_back("--figure-width=" + (py::isinstance<py::str>(width)
                                                ? width.cast<std::string>()
                                                : number_text(width.cast<double>()) + "mm"));
    }
    if (!dpi.is_none()) {
        args.push_back("--dpi=" + setting_text("dpi", dpi));
    }
    for (py::handle mark : marks) {
        args.push_back("--mark=" + mark.cast<std::string>());
    }
    for (const double x : positions(wells)) {
        args.push_back("--well=" + number_text(x));
    }
    return args;
}

py::dict well_log(const RunResult& result, double x) {
    const PseudoWell well = make_pseudo_well(Stratigraphy(result.data()), x);
    const std::size_t n = well.samples.size();
    auto column = [&](auto member) {
        py::array_t<double> values(static_cast<py::ssize_t>(n));
        double* out = values.mutable_data();
        for (std::size_t k = 0; k < n; ++k) {
            out[k] = well.samples[k].*member;
        }
        return values;
    };
    py::array_t<int> horizons(static_cast<py::ssize_t>(n));
    for (std::size_t k = 0; k < n; ++k) {
        horizons.mutable_data()[k] = well.samples[k].horizon;
    }
    py::dict log;
    log["x"] = well.x;
    log["column"] = well.column;
    log["column_x"] = well.column_x;
    log["horizon"] = horizons;
    log["time"] = column(&WellSample::time_kyr);
    log["age"] = column(&WellSample::age_kyr);
    log["z"] = column(&WellSample::z);
    log["elevation"] = column(&WellSample::elevation);
    log["burial_depth"] = column(&WellSample::burial_depth);
    log["thickness"] = column(&WellSample::thickness);
    log["depth_of_deposition"] = column(&WellSample::depth_of_deposition);
    log["distance_from_shore"] = column(&WellSample::distance_from_shore);
    log["porosity"] = column(&WellSample::porosity);
    log["accommodation_created"] = column(&WellSample::accommodation_created);
    return log;
}

py::object to_xarray(const RunResult& result, const py::iterable& wells) {
    const std::string bytes =
        format_netcdf(result.data(), {.history = result.history(), .well_x = positions(wells)});
    const py::module_ xarray = py::module_::import("xarray");
    py::object file = py::module_::import("netCDF4").attr("Dataset")(
        "vendrel.nc", "r", py::arg("memory") = py::bytes(bytes));
    try {
        py::object store = xarray.attr("backends").attr("NetCDF4DataStore")(file);
        py::object dataset = xarray.attr("open_dataset")(store).attr("load")();
        file.attr("close")();
        return dataset;
    } catch (...) {
        file.attr("close")();
        throw;
    }
}

py::dict metrics(const RunResult& result) {
    py::dict values;
    for (const RunMetricColumn& column : run_metric_table()) {
        values[column.name] = optional_number(column.value(result.report().metrics));
    }
    return values;
}

}  // namespace

PYBIND11_MODULE(vendrel, m) {
    m.doc() = "Vendrel: carbonate ramp and platform growth in a 2D cross-section.";
    m.attr("__version__") = kVersion;

    py::class_<RunResult>(m, "Result", "The results of one run, or of an opened project.")
        .def_property_readonly(
            "horizons", [](const RunResult& r) { return r.data().count; },
            "The published horizons (slot 1 is the initial surface).")
        .def_property_readonly(
            "simulated_time", [](const RunResult& r) { return r.data().simulated_time; },
            "The years the results reach.")
        .def_property_readonly(
            "steps", [](const RunResult& r) { return r.report().steps; },
            "The time steps the run took (0 for an opened project).")
        .def(
            "save",
            [](RunResult& r, const py::object& path) {
                const std::string bytes = path_bytes(path);
                save_outputs(r, {"--out=" + bytes}, bytes);
            },
            py::arg("path"), "Saves the project (.vdl), all or nothing, as vendrel-run --out does.")
        .def("to_xarray", &to_xarray, py::arg("wells") = py::tuple(),
             "The results as an xarray Dataset, the same as the NetCDF export (--netcdf)\n"
             "with the pseudo-wells at the positions `wells` (m), built in memory.")
        .def("well", &well_log, py::arg("x"),
             "The pseudo-well at x (m): a dict of NumPy arrays over the horizons, oldest\n"
             "first (time and age in kyr, lengths in m), with the column it logs.")
        .def("metrics", &metrics,
             "The runner's metrics (shoreline_x, platform_top, ...) as a dict; None where\n"
             "a metric is not defined.")
        .def(
            "figure",
            [](RunResult& r, const py::object& path, const py::object& width,
               const py::object& size, const py::object& dpi, const py::iterable& marks,
               const py::iterable& wells) {
                ensure_toolkit();
                const std::string bytes = path_bytes(path);
                save_outputs(r, figure_args("figure", bytes, size, width, dpi, marks, wells),
                             bytes);
            },
            py::arg("path"), py::kw_only(), py::arg("width") = py::none(),
            py::arg("size") = py::none(), py::arg("dpi") = py::none(),
            py::arg("marks") = py::tuple(), py::arg("wells") = py::tuple(),
            "Saves the report figure (.svg, .pdf, .png) as vendrel-run --figure does:\n"
            "width as --figure-width (\"170mm\", or a number of mm), size (w, h) in pixels\n"
            "as --size, dpi as --dpi, marks as --mark, wells as --well.")
        .def(
            "wheeler",
            [](RunResult& r, const py::object& path, const py::object& size,
               const py::object& width, const py::object& dpi, const std::string& style,
               const py::iterable& marks, const py::iterable& wells) {
                ensure_toolkit();
                const std::string bytes = path_bytes(path);
                std::vector<std::string> args =
                    figure_args("wheeler", bytes, size, width, dpi, marks, wells);
                args.push_back("--style=" + style);
                save_outputs(r, args, bytes);
            },
            py::arg("path"), py::kw_only(), py::arg("size") = py::none(),
            py::arg("width") = py::none(), py::arg("dpi") = py::none(),
            py::arg("style") = "section", py::arg("marks") = py::tuple(),
            py::arg("wells") = py::tuple(),
            "Saves the Wheeler diagram (.png, .svg, .pdf) as vendrel-run --wheeler does;\n"
            "style \"section\" or \"report\".");

    // What the runner refuses as a bad command line or parameters it cannot
    // run is a bad argument here.
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) {
                std::rethrow_exception(thrown);
            }
        } catch (const UsageError& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        } catch (const RunRefused& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        } catch (const WellOutsideSectionError& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        } catch (const FigureError& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        } catch (const FileError& e) {
            PyErr_SetString(PyExc_OSError, e.what());
        }
    });

    m.def("parameters", &parameter_table,
          "The parameter table: a list of dicts with key, unit, default, range (the\n"
          "dialog's (low, high), high None when open, or None), integer and description.");
    m.def("run", &run_model, py::arg("params") = py::none(), py::kw_only(),
          py::arg("sea_level") = py::none(), py::arg("threads") = 1,
          py::arg("allow_early_end") = false, py::arg("progress") = py::none(),
          "Runs the model the program starts with, with `params` set as vendrel-run\n"
          "--set sets them (arrays as sequences), and returns its Result. sea_level names\n"
          "a measured sea-level curve (CSV); threads 0 takes the default count;\n"
          "progress(fraction) is called while the run goes on. An unknown key, a bad\n"
          "value or parameters a run would refuse raise ValueError; Ctrl-C stops the run\n"
          "with KeyboardInterrupt.");
    m.def("open", &open_project, py::arg("path"),
          "Opens a project (.vdl) as the program's Open does: FileNotFoundError when it\n"
          "is missing, ValueError when it is not a valid project.");
}
