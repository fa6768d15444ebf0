#include "cli/run_options.h"

#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <functional>
#include <string_view>

#include "cli/parameter_assignment.h"
#include "cli/raw_argument.h"
#include "cli/single_value.h"
#include "core/thread_count.h"

namespace vendrel {
namespace {

constexpr int kMaxThreads = kMaxWorkerThreads;
constexpr int kMaxImageSide = 20000;
constexpr int kMaxDpi = 9600;

// "WxH" with both sides from 1 to kMaxImageSide.
void parse_size(const std::string& text, RunOptions& options) {
    const auto x = text.find('x');
    const std::optional<int> w =
        x == std::string::npos ? std::nullopt : parse_int_strict(text.substr(0, x));
    const std::optional<int> h =
        x == std::string::npos ? std::nullopt : parse_int_strict(text.substr(x + 1));
    if (!w || !h || *w < 1 || *h < 1 || *w > kMaxImageSide || *h > kMaxImageSide) {
        throw UsageError("--size expects WIDTHxHEIGHT in pixels (1 to " +
                         std::to_string(kMaxImageSide) + "), got \"" + text + "\"");
    }
    options.image_width = *w;
    options.image_height = *h;
}

// One --mark: trajectory, sea-level, wells or ages=N.
void parse_mark(const std::string& text, RunOptions& options) {
    FigureMarks& marks = options.marks;
    if (text == "trajectory") {
        marks.trajectory = true;
    } else if (text == "sea-level") {
        marks.sea_level = true;
    } else if (text == "wells") {
        options.mark_wells = true;
    } else if (text.rfind("ages=", 0) == 0) {
        const std::optional<int> n = parse_int_strict(text.substr(5));
        if (!n || *n < 1 || *n > MAX_HORIZON_SLOT) {
            throw UsageError("--mark ages=N expects a whole number from 1 to " +
                             std::to_string(MAX_HORIZON_SLOT) + ", got \"" + text.substr(5) + "\"");
        }
        marks.ages_every = *n;
    } else {
        throw UsageError("--mark expects trajectory, sea-level, wells or ages=N, got \"" + text +
                         "\"");
    }
}

// A length with its unit, "170mm", "17cm" or "6.7in", in inches; positive
// and at most kMaxImageSide figure pixels.
double parse_figure_width(const std::string& text) {
    const struct {
        const char* suffix;
        double inches;
    } units[] = {{"mm", 1 / 25.4}, {"cm", 1 / 2.54}, {"in", 1}};
    for (const auto& u : units) {
        const std::string suffix(u.suffix);
        if (text.size() > suffix.size() && text.ends_with(suffix)) {
            const std::optional<double> v =
                parse_real_strict(text.substr(0, text.size() - suffix.size()));
            if (v && std::isfinite(*v) && *v > 0 && *v * u.inches * 96 <= kMaxImageSide) {
                return *v * u.inches;
            }
        }
    }
    throw UsageError(
        "--figure-width expects a positive length in mm, cm or in (such as 170mm), "
        "got \"" +
        text + "\"");
}

void parse_threads(const std::string& value, RunOptions& options) {
    const std::optional<int> n = parse_int_strict(value);
    if (!n || *n < 0 || *n > kMaxThreads) {
        throw UsageError("--threads expects a whole number from 0 to " +
                         std::to_string(kMaxThreads) + ", got \"" + value + "\"");
    }
    options.threads = *n;
}

void parse_dpi(const std::string& value, RunOptions& options) {
    const std::optional<int> n = parse_int_strict(value);
    if (!n || *n < 1 || *n > kMaxDpi) {
        throw UsageError("--dpi expects a whole number from 1 to " + std::to_string(kMaxDpi) +
                         ", got \"" + value + "\"");
    }
    options.figure_dpi = *n;
}

void parse_setting(const std::string& text, RunOptions& options) {
    const auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0) {
        throw UsageError("--set expects key=value, got \"" + text + "\"");
    }
    options.settings.emplace_back(text.substr(0, eq), text.substr(eq + 1));
}

void parse_well(const std::string& text, RunOptions& options) {
    const std::optional<double> x = parse_real_strict(text);
    if (!x || !std::isfinite(*x)) {
        throw UsageError("--well expects a position in metres, got \"" + text + "\"");
    }
    options.wells.push_back(*x);
}

// Stores one value of an option (a flag's is empty); throws UsageError when
// the value is not one the option takes.
using StoreValue = std::function<void(const std::string& value, RunOptions& options)>;

// One option of the command line: the names the parser takes, the lines
// --help shows and where its value goes. The parser and --help both read
// the table below, so neither can name an option the other does not know.
struct RunOption {
    std::string_view name;               // the long name, without "--"
    std::string_view short_name;         // "o" for -o; "" for none
    std::string_view value_name;         // as --help names the value; "" for a flag
    std::vector<std::string_view> help;  // its lines in --help
    StoreValue store;
    bool repeatable = false;  // a value option that may be given again; else refused
    bool output = false;      // listed under "Outputs"
    bool alone = false;       // answered (--help, --version) whatever else is given
};

StoreValue store_flag(bool RunOptions::*flag) {
    return [flag](const std::string&, RunOptions& options) { options.*flag = true; };
}

StoreValue store_text(std::string RunOptions::*field) {
    return [field](const std::string& value, RunOptions& options) { options.*field = value; };
}

// The outputs in the order of output_kinds(), then the other options, each
// as --help lists it. Values are stored in this order, the outputs last
// (--size before --figure-width, which it excludes).
const std::vector<RunOption>& run_option_table() {
    static const std::vector<RunOption> table = [] {
        std::vector<RunOption> rows;
        for (const OutputKind& kind : output_kinds()) {
            rows.push_back({
                .name = kind.option,
                .short_name = kind.short_name,
                .value_name = kind.value_name,
                .help = {kind.description},
                .store =
                    [&kind](const std::string& path, RunOptions& options) {
                        if (path.empty()) {
                            throw UsageError("--" + std::string(kind.option) +
                                             " needs a file name");
                        }
                        options.outputs.push_back({&kind, path});
                    },
                .output = true,
            });
        }
        const std::vector<RunOption> general = {
            {"set",
             "",
             "key=value",
             {"set a parameter (totaltime=100000, depths=0,5,10,15,20,30,40,50,",
              "depths_3=12); may be repeated; a later one wins"},
             parse_setting,
             true},
            {"params",
             "",
             "FILE.toml",
             {"set the parameters of a TOML file of key = value lines first"},
             store_text(&RunOptions::params_file)},
            {"threads",
             "",
             "N",
             {"worker threads for the run (0 keeps the default)"},
             parse_threads},
            {"sea-level",
             "",
             "FILE.csv",
             {"follow a measured sea-level curve (time_kyr,sea_level_m or",
              "age_ka,sea_level_m) in place of the sinusoids"},
             [](const std::string& value, RunOptions& options) { options.sea_level_file = value; }},
            {"no-sea-level-file",
             "",
             "",
             {"drop the project's curve: back to the sinusoids"},
             store_flag(&RunOptions::no_sea_level_file)},
            {"no-run",
             "",
             "",
             {"save the project as opened, with the parameters set, unrun"},
             store_flag(&RunOptions::no_run)},
            {"allow-early-end",
             "",
             "",
             {"run even when the recordings need more than the 500",
              "horizon slots: the run ends at the last one (its summary",
              "gives the time simulated); refused otherwise"},
             store_flag(&RunOptions::allow_early_end)},
            {"well",
             "",
             "X",
             {"a pseudo-well at X m for --netcdf, --wells-csv, --trajectory and",
              "--mark wells; may be repeated"},
             parse_well,
             true},
            {"mark",
             "",
             "WHAT",
             {"draw on --figure and --wheeler: trajectory (the shoreline's path),",
              "sea-level (the final sea level, --figure), wells (the --well",
              "positions), ages=N (the age of every N-th time-line, --figure);", "may be repeated"},
             parse_mark,
             true},
            {"size",
             "",
             "WxH",
             {"size of a picture in pixels (default 1600x800; at most",
              "100 megapixels for a raster picture)"},
             [](const std::string& value, RunOptions& options) {
                 parse_size(value, options);
                 options.size_given = true;
             }},
            {"figure-width",
             "",
             "W",
             {"width of --figure and --wheeler as a length: 170mm (the default),",
              "17cm, 6.7in; as high as half the width; text at 9 points"},
             [](const std::string& value, RunOptions& options) {
                 if (options.size_given) {
                     throw UsageError("--size and --figure-width exclude each other");
                 }
                 options.figure_width_in = parse_figure_width(value);
             }},
            {"style",
             "",
             "S",
             {"section (the default) or report: the palette of --wheeler"},
             [](const std::string& value, RunOptions& options) {
                 if (value != "section" && value != "report") {
                     throw UsageError("--style expects section or report, got \"" + value + "\"");
                 }
                 options.report_style = value == "report";
             }},
            {"dpi",
             "",
             "N",
             {"resolution of a PNG figure or diagram in pixels per inch (default 96)"},
             parse_dpi},
            {"json",
             "",
             "",
             {"print a machine-readable summary on stdout, nothing else there"},
             store_flag(&RunOptions::json)},
            {"progress",
             "",
             "",
             {"print percent done and time left on stderr every few seconds"},
             store_flag(&RunOptions::progress)},
            {"quiet", "", "", {"print no progress"}, store_flag(&RunOptions::quiet)},
            {"check",
             "",
             "FILE.vdl",
             {"check that a project file reads; print what it holds"},
             store_text(&RunOptions::check)},
            {"list-params",
             "",
             "",
             {"list the parameters: key, unit, default, description", "(with --json: as JSON)"},
             store_flag(&RunOptions::list_params)},
            {"help",
             "h",
             "",
             {"show this help"},
             store_flag(&RunOptions::help),
             false,
             false,
             true},
            {"version",
             "",
             "",
             {"show the version"},
             store_flag(&RunOptions::version),
             false,
             false,
             true},
        };
        rows.insert(rows.end(), general.begin(), general.end());
        return rows;
    }();
    return table;
}

QString q_name(std::string_view name) {
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

}  // namespace

bool RunOptions::needs_toolkit() const {
    return std::any_of(outputs.begin(), outputs.end(),
                       [](const RequestedOutput& o) { return o.kind->needs_toolkit; });
}

std::string usage_text() {
    std::string text =
        "Usage: vendrel-run [PROJECT.vdl] [OPTION]... OUTPUT...\n"
        "  or:  vendrel-run --check PROJECT.vdl\n"
        "  or:  vendrel-run --list-params [--json]\n"
        "Runs the model headless and saves its outputs, all or none: every output\n"
        "is checked before the run and replaced only once all are written.\n"
        "\n"
        "Outputs (at least one):\n";
    const auto add = [&text](bool outputs) {
        for (const RunOption& option : run_option_table()) {
            if (option.output != outputs) {
                continue;
            }
            std::string names = "  ";
            if (!option.short_name.empty()) {
                names += "-";
                names += option.short_name;
                names += ", ";
            }
            names += "--";
            names += option.name;
            if (!option.value_name.empty()) {
                names += " ";
                names += option.value_name;
            }
            for (const std::string_view line : option.help) {
                names.resize(std::max<std::size_t>(names.size() + 1, 24), ' ');
                text += names;
                text += line;
                text += "\n";
                names.clear();
            }
        }
    };
    add(true);
    text += "\nOptions:\n";
    add(false);
    text +=
        "\nParameters a run cannot use (a value that is not finite; totaltime,\n"
        "display_inc, max_x or max_y at most 0; diff_coeff or cvalue below 0; phizero\n"
        "1 or more with compaction on) are refused before the run starts, and so are\n"
        "recordings that overrun the 500 horizon slots, unless --allow-early-end.\n"
        "\nExit status: 0 done, 1 failed (nothing saved), 2 bad command line or\n"
        "parameters that cannot run, 3 failed after saving some outputs (the error\n"
        "names them), 130 interrupted (nothing saved).\n"
        "\nSee also vendrel(1), the window, and vendrel-sweep(1), which runs the model\n"
        "over a table of parameters.\n";
    return text;
}

namespace {

// The command line as far as it decides the run: the outputs' options and
// names are left out, so the same run written elsewhere records the same
// command (a sweep's runs on a cluster and on this machine, for example).
std::string run_command(const std::vector<std::string>& args) {
    auto output_option = [](const std::string& arg, bool& takes_next) {
        for (const OutputKind& kind : output_kinds()) {
            std::string long_name = "--";
            long_name.append(kind.option);
            const bool short_form = !kind.short_name.empty() &&
                                    arg.size() == 1 + kind.short_name.size() && arg[0] == '-' &&
                                    arg.compare(1, std::string::npos, kind.short_name) == 0;
            if (arg == long_name || short_form) {
                takes_next = true;
                return true;
            }
            long_name += '=';
            if (arg.rfind(long_name, 0) == 0) {
                takes_next = false;
                return true;
            }
        }
        return false;
    };
    std::string command = "vendrel-run";
    bool options_ended = false;
    for (std::size_t k = 0; k < args.size(); ++k) {
        bool takes_next = false;
        if (!options_ended && output_option(args[k], takes_next)) {
            k += takes_next ? 1 : 0;
            continue;
        }
        options_ended = options_ended || args[k] == "--";
        command += " " + args[k];
    }
    return command;
}

}  // namespace

RunOptions parse_run_options(const std::vector<std::string>& args) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    for (const RunOption& option : run_option_table()) {
        QStringList names{q_name(option.name)};
        if (!option.short_name.empty()) {
            names.prepend(q_name(option.short_name));
        }
        parser.addOption(option.value_name.empty()
                             ? QCommandLineOption(names)
                             : QCommandLineOption(names, QString(), q_name(option.value_name)));
    }

    QStringList list{"vendrel-run"};
    for (const std::string& arg : args) {
        list.append(raw_argument(arg));
    }
    if (!parser.parse(list)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            const QString name = unknown.front();
            throw UsageError("unknown option \"" + std::string(name.size() == 1 ? "-" : "--") +
                             raw_bytes(name) + "\"");
        }
        std::string error = raw_bytes(parser.errorText());
        if (!error.empty() && error.back() == '.') {
            error.pop_back();
        }
        throw UsageError(error);
    }

    RunOptions options;
    // --help and --version answer whatever else the line holds.
    bool answered = false;
    for (const RunOption& option : run_option_table()) {
        if (option.alone && parser.isSet(q_name(option.name))) {
            option.store({}, options);
            answered = true;
        }
    }
    if (answered) {
        return options;
    }
    // The outputs are stored last, so a line with a wrong value and a
    // doubled output names the value.
    for (const bool outputs : {false, true}) {
        for (const RunOption& option : run_option_table()) {
            const QString name = q_name(option.name);
            if (option.alone || option.output != outputs) {
                continue;
            } else if (option.value_name.empty()) {
                if (parser.isSet(name)) {
                    option.store({}, options);
                }
            } else if (option.repeatable) {
                for (const QString& value : parser.values(name)) {
                    option.store(raw_bytes(value), options);
                }
            } else if (const auto value = single_value(parser, name)) {
                option.store(*value, options);
            }
        }
    }
    options.command = run_command(args);
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        throw UsageError("more than one project given: \"" + raw_bytes(positional[0]) +
                         "\" and \"" + raw_bytes(positional[1]) + "\"");
    }
    if (!positional.isEmpty()) {
        options.project = raw_bytes(positional.front());
    }

    if (options.progress && options.quiet) {
        throw UsageError("--progress and --quiet exclude each other");
    }
    if (options.list_params) {
        if (!options.outputs.empty() || !options.check.empty() || !options.project.empty()) {
            throw UsageError("--list-params takes no project and no output");
        }
        return options;
    }
    if (!options.check.empty()) {
        if (!options.outputs.empty() || !options.project.empty()) {
            throw UsageError("--check takes no other project and no output");
        }
        return options;
    }
    if (options.outputs.empty()) {
        throw UsageError(
            "no output: give --out FILE.vdl, --netcdf, --csv, --image, --pdf, --figure, "
            "--wheeler or --summary");
    }
    const auto wants = [&](std::string_view option) {
        return std::any_of(options.outputs.begin(), options.outputs.end(),
                           [&](const RequestedOutput& o) { return o.kind->option == option; });
    };
    const bool marked = wants("figure") || wants("wheeler");
    const bool wells_marked = options.mark_wells;
    if ((options.marks.any() || wells_marked) && !marked) {
        throw UsageError("--mark needs --figure or --wheeler");
    }
    if (!options.wells.empty() && !wants("netcdf") && !wants("wells-csv") && !wants("trajectory") &&
        !(marked && wells_marked)) {
        throw UsageError("--well needs --netcdf, --wells-csv or --trajectory, or --mark wells");
    }
    if (wells_marked && options.wells.empty()) {
        throw UsageError("--mark wells needs at least one --well X");
    }
    if (wells_marked) {
        options.marks.wells = options.wells;
    }
    if (wants("wells-csv") && options.wells.empty()) {
        throw UsageError("--wells-csv needs at least one --well X");
    }
    for (const RequestedOutput& output : options.outputs) {
        if (output.kind->raster &&
            (long long)options.image_width * options.image_height > kMaxRasterPixels) {
            throw UsageError("--size " + std::to_string(options.image_width) + "x" +
                             std::to_string(options.image_height) + ": --" +
                             std::string(output.kind->option) +
                             " is limited to 100 megapixels (width x height)");
        }
        if (output.kind->option == "figure" || output.kind->option == "wheeler") {
            // Refused before the run: a PNG figure over the pixel limit.
            if (const auto format = figure_format_of(output.path)) {
                try {
                    check_figure_request(*format, output.kind->option == "figure"
                                                      ? figure_request(options)
                                                      : wheeler_request(options));
                } catch (const FigureError& e) {
                    throw UsageError("--" + std::string(output.kind->option) + " " + output.path +
                                     ": " + e.what());
                }
            }
        }
        if (options.json && output.path == "-") {
            throw UsageError("--json cannot share standard output with --" +
                             std::string(output.kind->option) + " -");
        }
    }
    const auto on_stdout = std::count_if(options.outputs.begin(), options.outputs.end(),
                                         [](const RequestedOutput& o) { return o.path == "-"; });
    if (on_stdout > 1) {
        throw UsageError("only one output can go to standard output");
    }
    return options;
}

FigureRequest figure_request(const RunOptions& options) {
    FigureRequest request;
    request.report.marks = options.marks;
    if (options.size_given) {
        request.size = QSize(options.image_width, options.image_height);
    } else {
        const double inches =
            options.figure_width_in > 0 ? options.figure_width_in : kDefaultFigureWidthMm / 25.4;
        const int width = std::max(1, int(std::lround(inches * 96)));
        request.size = QSize(width, std::max(1, int(std::lround(width / 2.0))));
    }
    request.dpi = options.figure_dpi;
    return request;
}

FigureRequest wheeler_request(const RunOptions& options) {
    FigureRequest request;
    request.size = options.figure_width_in > 0 ? figure_request(options).size
                                               : QSize(options.image_width, options.image_height);
    request.dpi = options.figure_dpi;
    request.report.marks = options.marks;
    return request;
}

}  // namespace vendrel
