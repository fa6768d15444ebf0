#include "cli/run_options.h"

#include <cmath>

#include "cli/parameter_assignment.h"
#include "core/engine.h"

namespace vendrel {
namespace {

constexpr int kMaxThreads = kMaxWorkerThreads;
constexpr int kMaxImageSide = 20000;

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

const std::string& option_value(const std::vector<std::string>& args, std::size_t& i) {
    if (i + 1 >= args.size()) {
        throw UsageError("option " + args[i] + " needs a value");
    }
    return args[++i];
}

}  // namespace

const char* usage_text() {
    return "usage: vendrel-run [PROJECT.vdl] [--set key=value]... [--threads N] [--no-run]\n"
           "                   [--image FILE.png] [--pdf FILE.pdf] [--size WxH] [--out FILE.vdl]\n"
           "                   [--netcdf FILE.nc] [--csv FILE.csv] [--well X]... [--wells-csv "
           "FILE]\n"
           "       vendrel-run --check PROJECT.vdl\n"
           "Runs the model headless and saves the project.\n"
           "  PROJECT.vdl       start from this project instead of a new one\n"
           "  --set key=value   set a model parameter (for example totaltime=100000,\n"
           "                    depths=0,5,10,15,20,30,40,50); may be repeated\n"
           "  --threads N       worker threads for the run (0 keeps the default)\n"
           "  --no-run          save the project as opened, with the --set values, unrun\n"
           "  --out FILE.vdl    the project file to write\n"
           "  --netcdf FILE.nc  also write the results as NetCDF (CF-1.8)\n"
           "  --csv FILE.csv    also write the results as one CSV table\n"
           "  --well X          a pseudo-well at X metres, in the NetCDF file and the\n"
           "                    wells table; may be repeated\n"
           "  --wells-csv FILE  write the pseudo-wells as one CSV table\n"
           "At least one of --out, --netcdf, --csv, --wells-csv, --image, --pdf.\n"
           "  --image FILE.png  also draw the final section into a picture (.bmp: 32-bit)\n"
           "  --pdf FILE.pdf    also print the final section onto one PDF page\n"
           "  --size WxH        size of that picture in pixels (default 1600x800)\n"
           "  --check FILE.vdl  check that a project file reads; print what it holds\n";
}

RunOptions parse_run_options(const std::vector<std::string>& args) {
    RunOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--set") {
            const std::string& setting = option_value(args, i);
            const auto eq = setting.find('=');
            if (eq == std::string::npos || eq == 0) {
                throw UsageError("--set expects key=value, got \"" + setting + "\"");
            }
            options.settings.emplace_back(setting.substr(0, eq), setting.substr(eq + 1));
        } else if (arg == "--threads") {
            const std::string& value = option_value(args, i);
            const std::optional<int> n = parse_int_strict(value);
            if (!n || *n < 0 || *n > kMaxThreads) {
                throw UsageError("--threads expects a whole number from 0 to " +
                                 std::to_string(kMaxThreads) + ", got \"" + value + "\"");
            }
            options.threads = *n;
        } else if (arg == "--out") {
            options.out = option_value(args, i);
        } else if (arg == "--netcdf") {
            options.netcdf = option_value(args, i);
        } else if (arg == "--csv") {
            options.csv = option_value(args, i);
        } else if (arg == "--wells-csv") {
            options.wells_csv = option_value(args, i);
        } else if (arg == "--well") {
            const std::string& value = option_value(args, i);
            const std::optional<double> x = parse_real_strict(value);
            if (!x || !std::isfinite(*x)) {
                throw UsageError("--well expects a position in metres, got \"" + value + "\"");
            }
            options.wells.push_back(*x);
        } else if (arg == "--image") {
            options.image = option_value(args, i);
        } else if (arg == "--pdf") {
            options.pdf = option_value(args, i);
        } else if (arg == "--size") {
            parse_size(option_value(args, i), options);
        } else if (arg == "--no-run") {
            options.no_run = true;
        } else if (arg == "--check") {
            options.check = option_value(args, i);
        } else if (arg.rfind("-", 0) == 0 && arg.size() > 1) {
            throw UsageError("unknown option \"" + arg + "\"");
        } else if (options.project.empty()) {
            options.project = arg;
        } else {
            throw UsageError("more than one project given: \"" + options.project + "\" and \"" +
                             arg + "\"");
        }
    }
    if (options.help || !options.check.empty()) {
        return options;
    }
    if (options.out.empty() && options.netcdf.empty() && options.csv.empty() &&
        options.wells_csv.empty() && options.image.empty() && options.pdf.empty()) {
        throw UsageError("no output file: give --out FILE.vdl, --netcdf FILE.nc or --csv FILE.csv");
    }
    if (!options.wells.empty() && options.netcdf.empty() && options.wells_csv.empty()) {
        throw UsageError("--well needs --netcdf or --wells-csv");
    }
    if (!options.wells_csv.empty() && options.wells.empty()) {
        throw UsageError("--wells-csv needs at least one --well X");
    }
    return options;
}

}  // namespace vendrel
