// vendrel-sweep: one model run per row of a manifest, here or as a Slurm
// job array, and a summary of them all.
//
//   vendrel-sweep MANIFEST.csv --out DIR [--jobs N] [--image]
//   vendrel-sweep MANIFEST.csv --out DIR --slurm [--partition P] [--chunk K]
//                 [--sbatch-arg ARG]... [--no-wait]
//   vendrel-sweep --collect DIR
//   vendrel-sweep fit PRIORS.toml OBSERVATIONS.csv --out DIR ... (fit_command.h)
//
// The manifest is checked whole before anything runs and copied to
// DIR/manifest.csv; each row runs through vendrel-run (sweep_runner.h);
// DIR/summary.csv, summary.png and summary.svg follow (sweep_summary.h).
// A rerun skips the rows whose outputs are complete. Exit status: 0 every
// run ok, 1 a run failed or the sweep could not go on, 2 bad command line
// or manifest, 130 interrupted.

#include <unistd.h>

#include <QCommandLineParser>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string_view>
#include <thread>

#include "cli/parameter_assignment.h"
#include "cli/raw_argument.h"
#include "cli/run_options.h"
#include "cli/single_value.h"
#include "cli/toolkit_messages.h"
#include "document/atomic_file.h"
#include "document/printable_text.h"
#include "sweep/fit_command.h"
#include "sweep/process_error.h"
#include "sweep/slurm_submission.h"
#include "sweep/sweep_manifest.h"
#include "sweep/sweep_runner.h"
#include "sweep/sweep_sea_level.h"
#include "sweep/sweep_summary.h"
#include "vendrel/version.h"

namespace {

using namespace vendrel;

const char* sweep_usage_text() {
    return "Usage: vendrel-sweep MANIFEST.csv --out DIR [--jobs N] [--image] [--netcdf]\n"
           "  or:  vendrel-sweep MANIFEST.csv --out DIR --slurm [--partition P] [--chunk K]\n"
           "                     [--sbatch-arg ARG]... [--no-wait] [--image] [--netcdf]\n"
           "  or:  vendrel-sweep --collect DIR\n"
           "  or:  vendrel-sweep fit PRIORS.toml OBSERVATIONS.csv --out DIR (see fit --help)\n"
           "Runs the model once per manifest row and sums the runs up.\n"
           "\n"
           "The manifest is CSV: a header \"run,KEY,KEY...\", then one row per run with\n"
           "its id ([A-Za-z0-9][A-Za-z0-9._-]{0,63}, unique) and a value per key as\n"
           "vendrel-run --set takes it (quote arrays: \"0,5,10,15,20,30,40,50\"). Each run\n"
           "uses one thread unless the manifest has an omp_threads column. A\n"
           "sea_level_file column names a measured sea-level curve per run (relative to\n"
           "the manifest; empty for the sinusoids), copied into DIR for the runs.\n"
           "\n"
           "Options:\n"
           "  --out DIR             the folder of the outputs: DIR/<run>.vdl, <run>.json\n"
           "                        (the run's summary), <run>.png with --image,\n"
           "                        <run>.nc with --netcdf,\n"
           "                        <run>.error for a failed run, summary.csv,\n"
           "                        summary.png and summary.svg\n"
           "  --jobs N              runs at a time (default: the number of cores)\n"
           "  --image               also draw each run's final section\n"
           "  --netcdf              also export each run's results as NetCDF\n"
           "  --allow-early-end     run rows whose recordings need more than the 500\n"
           "                        horizon slots to the last one (refused otherwise)\n"
           "  --slurm               run the rows as a Slurm job array and wait for it\n"
           "  --partition P         the Slurm partition\n"
           "  --chunk K             rows per array task (default: 1, or more to stay\n"
           "                        within the cluster's MaxArraySize)\n"
           "  --sbatch-arg ARG      one more argument for sbatch; may be repeated\n"
           "  --no-wait             submit and return; then vendrel-sweep --collect DIR\n"
           "  --collect DIR         write the summary of the runs in DIR\n"
           "  -h, --help            show this help\n"
           "  --version             show the version\n"
           "\n"
           "Every row is checked before the first run as vendrel-run checks a run: a\n"
           "row with parameters it cannot run is refused with its line.\n"
           "A rerun skips the runs whose outputs are complete. Exit status: 0 every run\n"
           "ok, 1 a run failed, 2 bad command line or manifest, 130 interrupted.\n";
}

struct SweepOptions {
    std::string manifest;
    std::string dir;
    int jobs = 0;
    bool image = false;
    bool netcdf = false;
    bool allow_early_end = false;
    bool slurm = false;
    std::string partition;
    int chunk = 0;
    std::vector<std::string> sbatch_args;
    bool wait = true;
    std::string collect;
    std::string task;  // run one array task's rows of DIR
    bool help = false;
    bool version = false;
};

int positive(const std::string& option, const std::string& text) {
    const std::optional<int> n = parse_int_strict(text);
    if (!n || *n < 1) {
        throw UsageError("--" + option + " expects a whole number of at least 1, got \"" + text +
                         "\"");
    }
    return *n;
}

SweepOptions parse_sweep_options(int argc, char** argv) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name :
         {"out", "jobs", "partition", "chunk", "sbatch-arg", "collect", "task"}) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), "VALUE"));
    }
    for (const char* name : {"image", "netcdf", "allow-early-end", "slurm", "no-wait", "version"}) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
    }
    parser.addOption(QCommandLineOption(QStringList{"h", "help"}));
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        args.append(raw_argument(argv[i]));
    }
    if (!parser.parse(args)) {
        if (!parser.unknownOptionNames().isEmpty()) {
            throw UsageError("unknown option \"--" +
                             raw_bytes(parser.unknownOptionNames().front()) + "\"");
        }
        throw UsageError(raw_bytes(parser.errorText()));
    }
    SweepOptions o;
    o.help = parser.isSet("help");
    o.version = parser.isSet("version");
    if (o.help || o.version) {
        return o;
    }
    const auto single = [&](const char* name) { return single_value(parser, name).value_or(""); };
    o.dir = single("out");
    o.collect = single("collect");
    o.task = single("task");
    o.partition = single("partition");
    if (const std::string jobs = single("jobs"); !jobs.empty()) {
        o.jobs = positive("jobs", jobs);
    }
    if (const std::string chunk = single("chunk"); !chunk.empty()) {
        o.chunk = positive("chunk", chunk);
    }
    for (const QString& arg : parser.values("sbatch-arg")) {
        o.sbatch_args.push_back(raw_bytes(arg));
    }
    o.image = parser.isSet("image");
    o.netcdf = parser.isSet("netcdf");
    o.allow_early_end = parser.isSet("allow-early-end");
    o.slurm = parser.isSet("slurm");
    o.wait = !parser.isSet("no-wait");
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        throw UsageError("more than one manifest given");
    }
    if (!o.collect.empty() || !o.task.empty()) {
        if (!positional.isEmpty() || !o.dir.empty() || o.slurm) {
            throw UsageError("--collect and --task take only the folder");
        }
        return o;
    }
    if (positional.isEmpty()) {
        throw UsageError("no manifest given");
    }
    o.manifest = raw_bytes(positional.front());
    if (o.dir.empty()) {
        throw UsageError("no output folder: give --out DIR");
    }
    if (!o.slurm && (!o.partition.empty() || o.chunk > 0 || !o.sbatch_args.empty() || !o.wait)) {
        throw UsageError("--partition, --chunk, --sbatch-arg and --no-wait go with --slurm");
    }
    if (o.slurm && o.jobs > 0) {
        throw UsageError("--jobs is for a sweep on this machine; Slurm places the runs");
    }
    return o;
}

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Creates DIR and keeps the manifest there; a folder that holds another
// sweep's manifest is refused.
void prepare_folder(const SweepOptions& o) {
    std::error_code error;
    std::filesystem::create_directories(o.dir, error);
    if (error || !std::filesystem::is_directory(o.dir)) {
        throw FileError("cannot make the folder " + o.dir + ": " + error.message());
    }
    const std::string copy = o.dir + "/manifest.csv";
    const std::string text = read_text(o.manifest);
    if (std::filesystem::exists(copy)) {
        if (read_text(copy) != text) {
            throw UsageError(o.dir + " holds another sweep: its manifest.csv differs from " +
                             o.manifest);
        }
        return;
    }
    write_file_atomically(copy, text);
}

std::vector<int> all_rows(const SweepManifest& manifest) {
    std::vector<int> rows(manifest.rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i] = int(i);
    }
    return rows;
}

int summarise(const SweepManifest& manifest, const std::string& dir) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int argc = 1;
    char name[] = "vendrel-sweep";
    char* argv[] = {name, nullptr};
    const QGuiApplication toolkit(argc, argv);
    const SweepCounts counts = write_sweep_summary(manifest, dir, true);
    std::printf("vendrel-sweep: %d runs: %d ok, %d failed, %d not run; summary in %s/summary.csv\n",
                counts.ok + counts.failed + counts.not_run, counts.ok, counts.failed,
                counts.not_run, printable_text(dir).c_str());
    return counts.failed == 0 && counts.not_run == 0 ? 0 : 1;
}

std::string absolute(const std::string& path) {
    return std::filesystem::absolute(path).lexically_normal().string();
}

int run_task(const SweepOptions& o) {
    const std::string dir = absolute(o.task);
    const SweepManifest manifest = read_sweep_manifest(dir + "/manifest.csv");
    const char* task = std::getenv("SLURM_ARRAY_TASK_ID");
    const std::optional<int> id = parse_int_strict(task ? task : "");
    if (!id || *id < 0) {
        throw UsageError("--task needs SLURM_ARRAY_TASK_ID (it runs inside a job array)");
    }
    const int chunk = o.chunk > 0 ? o.chunk : 1;
    std::vector<int> rows;
    for (int r = *id * chunk; r < (*id + 1) * chunk && r < int(manifest.rows.size()); ++r) {
        rows.push_back(r);
    }
    const char* cpus = std::getenv("SLURM_CPUS_PER_TASK");
    SweepSettings settings{dir, o.image,
                           std::max(1, parse_int_strict(cpus ? cpus : "").value_or(1)),
                           runner_beside_program()};
    settings.netcdf = o.netcdf;
    settings.allow_early_end = o.allow_early_end;
    if (manifest.column("omp_threads") >= 0) {
        settings.jobs = 1;  // the runs take the task's cores
    }
    return run_sweep_rows(manifest, rows, settings, false) == SweepEnd::Interrupted ? 130 : 0;
}

int run(const SweepOptions& o) {
    if (!o.task.empty()) {
        return run_task(o);
    }
    if (!o.collect.empty()) {
        return summarise(read_sweep_manifest(o.collect + "/manifest.csv"), o.collect);
    }
    const SweepManifest manifest = read_sweep_manifest(o.manifest);
    check_sweep_runs(manifest, o.manifest, o.allow_early_end,
                     check_sea_level_files(manifest, o.manifest));
    if (o.slurm && find_on_path("sbatch").empty()) {
        throw ProcessError("sbatch not found on PATH: --slurm needs Slurm's client commands");
    }
    prepare_folder(o);
    const std::string dir = absolute(o.dir);
    copy_sea_level_files(manifest, o.manifest, dir);
    if (o.slurm) {
        SlurmRequest request;
        request.dir = dir;
        request.program = absolute(std::filesystem::read_symlink("/proc/self/exe").string());
        request.rows = int(manifest.rows.size());
        request.chunk = o.chunk;
        request.partition = o.partition;
        request.sbatch_args = o.sbatch_args;
        request.image = o.image;
        request.netcdf = o.netcdf;
        request.allow_early_end = o.allow_early_end;
        request.wait = o.wait;
        if (const int column = manifest.column("omp_threads"); column >= 0) {
            for (const SweepRow& row : manifest.rows) {
                request.cpus_per_task =
                    std::max(request.cpus_per_task,
                             parse_int_strict(row.values[std::size_t(column)]).value_or(1));
            }
        }
        const std::string job = submit_sweep(request);
        if (!o.wait) {
            std::printf(
                "vendrel-sweep: submitted job %s; when it has ended: vendrel-sweep "
                "--collect %s\n",
                printable_text(job).c_str(), printable_text(dir).c_str());
            return 0;
        }
        return summarise(manifest, dir);
    }
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    SweepSettings settings{dir, o.image, o.jobs > 0 ? o.jobs : cores, runner_beside_program()};
    settings.netcdf = o.netcdf;
    settings.allow_early_end = o.allow_early_end;
    if (run_sweep_rows(manifest, all_rows(manifest), settings, isatty(STDERR_FILENO) != 0) ==
        SweepEnd::Interrupted) {
        std::fputs("vendrel-sweep: interrupted; complete runs are kept, run again to go on\n",
                   stderr);
        return 130;
    }
    return summarise(manifest, dir);
}

}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(drop_toolkit_messages);
    try {
        if (argc > 1 && std::string_view(argv[1]) == "fit") {
            return fit_main(argc - 1, argv + 1);
        }
        const SweepOptions options = parse_sweep_options(argc, argv);
        if (options.help) {
            std::fputs(sweep_usage_text(), stdout);
            return 0;
        }
        if (options.version) {
            std::printf("vendrel-sweep %s\n", kVersion);
            return 0;
        }
        return run(options);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "vendrel-sweep: %s (see vendrel-sweep --help)\n",
                     printable_text(e.what()).c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vendrel-sweep: %s\n", printable_text(e.what()).c_str());
        return 1;
    }
}
