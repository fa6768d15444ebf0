#include "cli/run_options.h"

#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>
#include <cmath>

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

// A length with its unit, "170mm", "17cm" or "6.7in", in inches; positive
// and at most kMaxImageSide figure pixels.
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

struct OptionLine {
    std::string names;  // "-o, --out FILE.vdl"
    std::string text;
};

// The options other than outputs, as --help shows them.
const std::vector<OptionLine>& general_options() {
    static const std::vector<OptionLine> lines = {
        {"--set key=value", "set a parameter (totaltime=100000, depths=0,5,10,15,20,30,40,50,"},
        {"", "depths_3=12); may be repeated; a later one wins"},
        {"--params FILE.toml", "set the parameters of a TOML file of key = value lines first"},
        {"--threads N", "worker threads for the run (0 keeps the default)"},
        {"--sea-level FILE.csv", "follow a measured sea-level curve (time_kyr,sea_level_m or"},
        {"", "age_ka,sea_level_m) in place of the sinusoids"},
        {"--no-sea-level-file", "drop the project's curve: back to the sinusoids"},
        {"--no-run", "save the project as opened, with the parameters set, unrun"},
        {"--allow-early-end", "run even when the recordings need more than the 500"},
        {"", "horizon slots: the run ends at the last one (its summary"},
        {"", "gives the time simulated); refused otherwise"},
        {"--well X", "a pseudo-well at X m for --netcdf, --wells-csv, --trajectory and"},
        {"", "--mark wells; may be repeated"},
        {"--mark WHAT", "draw on --figure and --wheeler: trajectory (the shoreline's path),"},
        {"", "sea-level (the final sea level, --figure), wells (the --well"},
        {"", "positions), ages=N (the age of every N-th time-line, --figure);"},
        {"", "may be repeated"},
        {"--size WxH", "size of a picture in pixels (default 1600x800; at most"},
        {"", "100 megapixels for a raster picture)"},
        {"--figure-width W", "width of --figure and --wheeler as a length: 170mm (the default),"},
        {"", "17cm, 6.7in; as high as half the width; text at 9 points"},
        {"--style S", "section (the default) or report: the palette of --wheeler"},
        {"--dpi N", "resolution of a PNG figure or diagram in pixels per inch (default 96)"},
        {"--json", "print a machine-readable summary on stdout, nothing else there"},
        {"--progress", "print percent done and time left on stderr every few seconds"},
        {"--quiet", "print no progress"},
        {"--check FILE.vdl", "check that a project file reads; print what it holds"},
        {"--list-params", "list the parameters: key, unit, default, description"},
        {"", "(with --json: as JSON)"},
        {"-h, --help", "show this help"},
        {"--version", "show the version"},
    };
    return lines;
}

QCommandLineOption value_option(const QStringList& names, const QString& value_name) {
    return QCommandLineOption(names, QString(), value_name);
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
    std::vector<OptionLine> lines;
    for (const OutputKind& kind : output_kinds()) {
        std::string names;
        if (!kind.short_name.empty()) {
            names = "-";
            names += kind.short_name;
            names += ", ";
        }
        names += "--";
        names += kind.option;
        names += " ";
        names += kind.value_name;
        lines.push_back({names, std::string(kind.description)});
    }
    const auto add = [&text](const std::vector<OptionLine>& block) {
        for (const OptionLine& line : block) {
            std::string names = "  " + line.names;
            names.resize(std::max<std::size_t>(names.size() + 1, 24), ' ');
            text += names + line.text + "\n";
        }
    };
    add(lines);
    text += "\nOptions:\n";
    add(general_options());
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
    for (const OutputKind& kind : output_kinds()) {
        QStringList names{QString::fromUtf8(kind.option.data(), qsizetype(kind.option.size()))};
        if (!kind.short_name.empty()) {
            names.prepend(
                QString::fromUtf8(kind.short_name.data(), qsizetype(kind.short_name.size())));
        }
        parser.addOption(value_option(names, "FILE"));
    }
    parser.addOption(value_option({"set"}, "key=value"));
    parser.addOption(value_option({"params"}, "FILE"));
    parser.addOption(value_option({"threads"}, "N"));
    parser.addOption(value_option({"sea-level"}, "FILE"));
    parser.addOption(value_option({"size"}, "WxH"));
    parser.addOption(value_option({"dpi"}, "N"));
    parser.addOption(value_option({"figure-width"}, "W"));
    parser.addOption(value_option({"style"}, "S"));
    parser.addOption(value_option({"check"}, "FILE"));
    parser.addOption(value_option({"well"}, "X"));
    parser.addOption(value_option({"mark"}, "WHAT"));
    for (const char* flag : {"no-run", "allow-early-end", "json", "progress", "quiet",
                             "list-params", "version", "no-sea-level-file"}) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(flag)));
    }
    parser.addOption(QCommandLineOption(QStringList{"h", "help"}));

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
    options.help = parser.isSet("help");
    options.version = parser.isSet("version");
    if (options.help || options.version) {
        return options;
    }
    options.list_params = parser.isSet("list-params");
    options.no_run = parser.isSet("no-run");
    options.allow_early_end = parser.isSet("allow-early-end");
    options.json = parser.isSet("json");
    options.progress = parser.isSet("progress");
    options.quiet = parser.isSet("quiet");
    for (const QString& setting : parser.values("set")) {
        const std::string text = raw_bytes(setting);
        const auto eq = text.find('=');
        if (eq == std::string::npos || eq == 0) {
            throw UsageError("--set expects key=value, got \"" + text + "\"");
        }
        options.settings.emplace_back(text.substr(0, eq), text.substr(eq + 1));
    }
    options.params_file = single_value(parser, "params").value_or("");
    options.sea_level_file = single_value(parser, "sea-level");
    options.no_sea_level_file = parser.isSet("no-sea-level-file");
    if (const auto value = single_value(parser, "threads")) {
        const std::optional<int> n = parse_int_strict(*value);
        if (!n || *n < 0 || *n > kMaxThreads) {
            throw UsageError("--threads expects a whole number from 0 to " +
                             std::to_string(kMaxThreads) + ", got \"" + *value + "\"");
        }
        options.threads = *n;
    }
    if (const auto value = single_value(parser, "size")) {
        parse_size(*value, options);
        options.size_given = true;
    }
    if (const auto value = single_value(parser, "style")) {
        if (*value != "section" && *value != "report") {
            throw UsageError("--style expects section or report, got \"" + *value + "\"");
        }
        options.report_style = *value == "report";
    }
    if (const auto value = single_value(parser, "figure-width")) {
        if (options.size_given) {
            throw UsageError("--size and --figure-width exclude each other");
        }
        options.figure_width_in = parse_figure_width(*value);
    }
    if (const auto value = single_value(parser, "dpi")) {
        const std::optional<int> n = parse_int_strict(*value);
        if (!n || *n < 1 || *n > kMaxDpi) {
            throw UsageError("--dpi expects a whole number from 1 to " + std::to_string(kMaxDpi) +
                             ", got \"" + *value + "\"");
        }
        options.figure_dpi = *n;
    }
    options.check = single_value(parser, "check").value_or("");
    for (const QString& well : parser.values("well")) {
        const std::string text = raw_bytes(well);
        const std::optional<double> x = parse_real_strict(text);
        if (!x || !std::isfinite(*x)) {
            throw UsageError("--well expects a position in metres, got \"" + text + "\"");
        }
        options.wells.push_back(*x);
    }
    for (const QString& mark : parser.values("mark")) {
        parse_mark(raw_bytes(mark), options);
    }
    options.command = run_command(args);
    for (const OutputKind& kind : output_kinds()) {
        const QString name = QString::fromUtf8(kind.option.data(), qsizetype(kind.option.size()));
        if (const auto path = single_value(parser, name)) {
            if (path->empty()) {
                throw UsageError("--" + raw_bytes(name) + " needs a file name");
            }
            options.outputs.push_back({&kind, *path});
        }
    }
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
