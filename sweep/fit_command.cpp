#include "sweep/fit_command.h"

#include <sys/wait.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QFile>
#include <QGuiApplication>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "cli/parameter_assignment.h"
#include "cli/raw_argument.h"
#include "cli/run_options.h"
#include "cli/single_value.h"
#include "document/atomic_file.h"
#include "document/modelled_observations.h"
#include "document/printable_text.h"
#include "document/project.h"
#include "document/project_reader.h"
#include "sweep/command_line.h"
#include "sweep/fit_plots.h"
#include "sweep/fit_report.h"
#include "sweep/fit_run.h"
#include "sweep/process_error.h"
#include "sweep/slurm_options.h"
#include "sweep/slurm_submission.h"
#include "sweep/sweep_lock.h"
#include "sweep/sweep_plot.h"
#include "sweep/sweep_runner.h"

namespace vendrel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

const char* fit_usage_text() {
    return "Usage: vendrel-sweep fit PRIORS.toml OBSERVATIONS.csv --out DIR [--jobs N]\n"
           "  or:  vendrel-sweep fit PRIORS.toml OBSERVATIONS.csv --out DIR --slurm\n"
           "                     [--partition P] [--chunk K] [--max-running N] [--time T]\n"
           "                     [--mem M] [--account A] [--qos Q] [--job-name NAME]\n"
           "                     [--sbatch-arg ARG]...\n"
           "Fits the free parameters of PRIORS.toml (a design description: samples is the\n"
           "number of particles; [fit] moves, ess_fraction, max_runs) to the data of\n"
           "OBSERVATIONS.csv (columns well_x_m, quantity, age_kyr or age_from_kyr and\n"
           "age_to_kyr, value, sigma) by a likelihood-tempered SMC sampler whose batches\n"
           "of runs go through the sweep's pool or Slurm job arrays (one job a batch,\n"
           "with the sweep's Slurm options: see vendrel-sweep --help).\n"
           "\n"
           "Writes into DIR: posterior.csv, posterior_intervals.csv, tempering.csv,\n"
           "fit.json, posterior_pairs.png and .svg, posterior_predictive.png and .svg,\n"
           "max_posterior.vdl, max_posterior_figure.png, max_posterior_wheeler.png; the\n"
           "batches' runs in DIR/batches and the sampler's state in DIR/fit-state.txt.\n"
           "Run the same command again to go on after a stop.\n"
           "Exit status: 0 done, 1 failed, 2 bad command line or inputs, 3 the folder is\n"
           "taken by another fit or sweep, 4 stopped at fit.max_runs before the\n"
           "posterior, 130 interrupted.\n";
}

struct FitOptions {
    std::string priors, observations, dir;
    int jobs = 0;
    bool slurm = false;
    SlurmOptions cluster;
    bool help = false;
};

FitOptions parse_fit_options(int argc, char** argv) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : {"out", "jobs"}) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), "VALUE"));
    }
    add_slurm_options(parser);
    parser.addOption(QCommandLineOption("slurm"));
    parser.addOption(QCommandLineOption(QStringList{"h", "help"}));
    parse_command_line(parser, argc, argv);
    FitOptions o;
    o.help = parser.isSet("help");
    if (o.help) {
        return o;
    }
    o.dir = single_value(parser, "out").value_or("");
    if (const std::string jobs = single_value(parser, "jobs").value_or(""); !jobs.empty()) {
        o.jobs = positive_count("jobs", jobs);
    }
    o.cluster = read_slurm_options(parser);
    o.slurm = parser.isSet("slurm");
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2) {
        throw UsageError(
            "fit takes the priors and the observations: fit PRIORS.toml "
            "OBSERVATIONS.csv --out DIR");
    }
    o.priors = raw_bytes(positional[0]);
    o.observations = raw_bytes(positional[1]);
    if (o.dir.empty()) {
        throw UsageError("no output folder: give --out DIR");
    }
    if (!o.slurm && o.cluster.any()) {
        throw UsageError(slurm_only_message({}));
    }
    if (o.slurm && o.jobs > 0) {
        throw UsageError("--jobs is for a fit on this machine; Slurm places the runs");
    }
    return o;
}

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

QString value_label(ObservedQuantity q) {
    switch (q) {
        case ObservedQuantity::Elevation:
            return "elevation above the base (m)";
        case ObservedQuantity::Thickness:
            return "thickness (m)";
        case ObservedQuantity::DepthOfDeposition:
            return "depth of deposition (m)";
        case ObservedQuantity::Porosity:
            return "porosity";
        case ObservedQuantity::ShorelineX:
            return "shoreline x (m)";
    }
    return {};
}

// The posterior predictive: per well and quantity, the data and the runs
// of the posterior's particles (each distinct run once) at the data's ages
// and, but for thicknesses, at 61 ages from 0 to the oldest datum.
std::vector<PredictivePanel> predictive_panels(const FitInputs& in, const FitState& s,
                                               const std::string& dir) {
    Project project(make_startup_parameters(1));
    project.simulation().new_model();
    const ProjectDefaults defaults = project.current_values();
    std::vector<std::string> runs = s.particle_runs;
    std::sort(runs.begin(), runs.end());
    runs.erase(std::unique(runs.begin(), runs.end()), runs.end());
    // Each run read once; its section is worked out once for every panel.
    std::vector<std::unique_ptr<ProjectData>> results;
    std::vector<std::unique_ptr<ModelledObservations>> models;
    for (const std::string& run : runs) {
        results.push_back(std::make_unique<ProjectData>(
            ReadProjectFile(particle_project(dir, run), defaults).data));
        models.push_back(std::make_unique<ModelledObservations>(*results.back()));
    }
    std::unique_ptr<ProjectData> best_data;
    std::unique_ptr<ModelledObservations> best;
    if (!s.best_run.empty()) {
        best_data = std::make_unique<ProjectData>(
            ReadProjectFile(particle_project(dir, s.best_run), defaults).data);
        best = std::make_unique<ModelledObservations>(*best_data);
    }
    // Panels in the order of the data's first appearance.
    std::vector<std::pair<ObservedQuantity, double>> keys;
    std::map<std::size_t, std::vector<const Observation*>> members;
    for (const Observation& o : in.observations) {
        std::size_t k = 0;
        while (k < keys.size() && !(keys[k].first == o.quantity &&
                                    (keys[k].second == o.well_x ||
                                     (std::isnan(keys[k].second) && std::isnan(o.well_x))))) {
            ++k;
        }
        if (k == keys.size()) {
            keys.emplace_back(o.quantity, o.well_x);
        }
        members[k].push_back(&o);
    }
    std::vector<PredictivePanel> panels;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        const auto& data = members[k];
        PredictivePanel panel;
        const char* name = observed_quantity_name(keys[k].first);
        panel.title = std::isnan(keys[k].second)
                          ? QString::fromLatin1(name)
                          : QString("%1 at the well at x = %2 m")
                                .arg(QString::fromLatin1(name), sweep_plot_number(keys[k].second));
        panel.value_label = value_label(keys[k].first);
        if (keys[k].first == ObservedQuantity::Thickness) {
            panel.age_label = "age of the older surface (kyr before the newest horizon)";
        }
        std::vector<Observation> at;
        double oldest = 0;
        for (const Observation* o : data) {
            panel.obs_age.push_back(o->age_kyr);
            panel.obs_value.push_back(o->value);
            panel.obs_sigma.push_back(o->sigma);
            oldest = std::max(oldest, o->age_kyr);
            if (keys[k].first == ObservedQuantity::Thickness) {
                at.push_back(*o);
            }
        }
        if (keys[k].first == ObservedQuantity::Thickness) {
            std::sort(at.begin(), at.end(), [](const Observation& a, const Observation& b) {
                return a.age_kyr < b.age_kyr;
            });
        } else {
            for (int i = 0; i <= 60; ++i) {
                Observation o = *data.front();
                o.age_kyr = o.age_to_kyr = oldest * i / 60.0;
                at.push_back(o);
            }
        }
        for (const Observation& o : at) {
            panel.age.push_back(o.age_kyr);
            double low = INFINITY, high = -INFINITY;
            for (const auto& model : models) {
                const double v = model->value(o);
                if (std::isfinite(v)) {
                    low = std::min(low, v);
                    high = std::max(high, v);
                }
            }
            panel.low.push_back(std::isfinite(low) ? low : kNaN);
            panel.high.push_back(std::isfinite(high) ? high : kNaN);
            panel.best.push_back(best ? best->value(o) : kNaN);
        }
        panels.push_back(std::move(panel));
    }
    return panels;
}

// The maximum-posterior run as a project beside the other outputs, with
// the runner's report figure and Wheeler diagram of it.
void write_best_run(const FitState& s, const std::string& dir) {
    if (s.best_run.empty()) {
        return;
    }
    const std::string project = dir + "/max_posterior.vdl";
    write_file_atomically(project, read_text(particle_project(dir, s.best_run)));
    // In DIR with names relative to it, so that any bytes DIR's name holds
    // reach the runner as they are.
    const pid_t child = start_run({runner_beside_program(), "max_posterior.vdl", "--no-run",
                                   "--quiet", "--figure", "max_posterior_figure.png", "--wheeler",
                                   "max_posterior_wheeler.png", "--mark", "trajectory"},
                                  dir, STDERR_FILENO);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw FileError("cannot draw the figures of " + project + " (vendrel-run failed)");
    }
}

void write_outputs(const FitInputs& in, const FitState& s, const std::string& dir, bool finished) {
    write_fit_tables(in, s, dir, finished);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int argc = 1;
    char name[] = "vendrel-sweep";
    char* argv[] = {name, nullptr};
    const QGuiApplication toolkit(argc, argv);
    PairPlotData pairs;
    pairs.parameters = in.priors.free;
    pairs.unit = s.particles;
    pairs.weights.assign(s.particles.size(), 1.0 / double(s.particles.size()));
    pairs.best = s.best_unit;
    save_pair_plot(pairs, dir + "/posterior_pairs.png", dir + "/posterior_pairs.svg");
    save_predictive_plot(predictive_panels(in, s, dir), dir + "/posterior_predictive.png",
                         dir + "/posterior_predictive.svg");
    write_best_run(s, dir);
}

}  // namespace

int fit_main(int argc, char** argv) {
    const FitOptions o = parse_fit_options(argc, argv);
    if (o.help) {
        std::fputs(fit_usage_text(), stdout);
        return 0;
    }
    const FitInputs inputs = read_fit_inputs(o.priors, o.observations);
    if (o.slurm) {
        SlurmRequest request;
        o.cluster.apply_to(request);
        check_slurm_request(request, "the fit", true);
        // A cluster that cannot be reached is found before the folder is made.
        slurm_max_array_size();
    }
    FitRunOptions run;
    std::error_code error;
    std::filesystem::create_directories(o.dir, error);
    if (error || !std::filesystem::is_directory(o.dir)) {
        throw FileError("cannot make the folder " + o.dir + ": " + error.message());
    }
    run.dir = std::filesystem::absolute(o.dir).lexically_normal().string();
    const SweepLock lock(run.dir);
    run.jobs = o.jobs > 0 ? o.jobs : int(std::max(1u, std::thread::hardware_concurrency()));
    run.progress = isatty(STDERR_FILENO) != 0 ? SweepProgress::Bar : SweepProgress::None;
    run.slurm = o.slurm;
    run.cluster = o.cluster;
    const FitOutcome outcome = run_fit(inputs, run);
    if (outcome.end == FitEnd::Interrupted) {
        std::fputs(
            "vendrel-sweep: interrupted; the fit goes on from its last whole batch when "
            "run again\n",
            stderr);
        return 130;
    }
    const bool finished = outcome.end == FitEnd::Finished;
    write_outputs(inputs, outcome.state, run.dir, finished);
    std::printf("vendrel-sweep: fit %s after %lld runs (%d temperature%s); posterior in %s\n",
                finished ? "done" : "stopped at fit.max_runs short of the posterior",
                outcome.state.runs, outcome.state.stages, outcome.state.stages == 1 ? "" : "s",
                printable_text(run.dir + "/posterior.csv").c_str());
    return finished ? 0 : 4;
}

}  // namespace vendrel
