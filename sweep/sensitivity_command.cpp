#include "sweep/sensitivity_command.h"

#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/run_options.h"
#include "document/atomic_file.h"
#include "document/printable_text.h"
#include "sweep/command_arguments.h"
#include "sweep/sensitivity_analysis.h"
#include "sweep/sensitivity_plot.h"

namespace vendrel {
namespace {

const char* sensitivity_usage_text() {
    return "Usage: vendrel-sweep sensitivity DIR [--design FILE]\n"
           "Estimates how much each free parameter of a design moves each metric of\n"
           "its runs in DIR, from DIR/summary.csv, and writes DIR/sensitivity.csv with\n"
           "the plot DIR/sensitivity.png and DIR/sensitivity.svg.\n"
           "\n"
           "A saltelli design gives the Sobol' indices (columns metric, parameter,\n"
           "first, first_low, first_high, total, total_low, total_high: the\n"
           "first-order and total index with their bootstrap 95 % intervals); a morris\n"
           "design the Morris measures (metric, parameter, mu_star, mu_star_low,\n"
           "mu_star_high, sigma).\n"
           "\n"
           "Options:\n"
           "  --design FILE   the design vendrel-sweep design kept beside the manifest\n"
           "                  (MANIFEST.design.toml; default DIR/design.toml)\n"
           "  -h, --help      show this help\n"
           "\n"
           "The design must make DIR/manifest.csv again and every run must be ok.\n"
           "Exit status: 0 written, 1 not saved, 2 bad command line, design or runs.\n";
}

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw UsageError(path + ": cannot read it");
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int run_sensitivity_command(int argc, char** argv) {
    const CommandArguments args = parse_command_arguments(argc, argv, {"design"}, {"help"});
    if (args.has("help")) {
        std::fputs(sensitivity_usage_text(), stdout);
        return 0;
    }
    if (args.positional.size() != 1) {
        throw UsageError(args.positional.empty() ? "sensitivity: no folder given"
                                                 : "sensitivity: more than one folder given");
    }
    const std::string dir = args.positional.front();
    const std::string design_path =
        args.value("design").empty() ? dir + "/design.toml" : args.value("design");
    if (args.value("design").empty() && !std::filesystem::exists(design_path)) {
        throw UsageError("sensitivity: no " + design_path +
                         ": copy the design that vendrel-sweep design kept beside the manifest "
                         "(MANIFEST.design.toml) there, or give --design FILE");
    }
    const KeptDesign design = read_kept_design(design_path);
    const std::string manifest = read_text(dir + "/manifest.csv");
    if (design_manifest_text(design.description,
                             sample_design(design.description, design.method)) != manifest) {
        throw UsageError(dir + "/manifest.csv is not the manifest of the design " + design_path);
    }
    const SensitivityResult result =
        analyse_sensitivity(design, read_text(dir + "/summary.csv"), dir + "/summary.csv");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int toolkit_argc = 1;
    char name[] = "vendrel-sweep";
    char* toolkit_argv[] = {name, nullptr};
    const QGuiApplication toolkit(toolkit_argc, toolkit_argv);
    write_file_atomically(dir + "/sensitivity.csv", sensitivity_csv(result));
    save_sensitivity_plot(result, dir + "/sensitivity.png", dir + "/sensitivity.svg");
    std::printf(
        "vendrel-sweep: sensitivity of %zu metrics to %zu parameters in %s/sensitivity.csv\n",
        result.metrics.size(), design.description.free.size(), printable_text(dir).c_str());
    return 0;
}

}  // namespace vendrel
