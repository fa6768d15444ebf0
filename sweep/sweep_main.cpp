// vendrel-sweep: one model run per row of a manifest, here or as a Slurm
// job array, and a summary of them all.
//
//   vendrel-sweep MANIFEST.csv --out DIR [--jobs N] [--image]
//   vendrel-sweep MANIFEST.csv --out DIR --slurm [SLURM OPTION]... [--no-wait]
//   vendrel-sweep --collect DIR
//   vendrel-sweep fit PRIORS.toml OBSERVATIONS.csv --out DIR ... (fit_command.h)
//
// The manifest is checked whole before anything runs and copied to
// DIR/manifest.csv; each row runs through vendrel-run (sweep_runner.h);
// DIR/summary.csv, summary.png and summary.svg follow (sweep_summary.h).
// A rerun skips the rows whose outputs are complete. One sweep works in a
// folder at a time (sweep_lock.h). Exit status: 0 every run ok, 1 a run
// failed or the sweep could not go on, 2 bad command line or manifest, 3
// the folder is taken by another sweep or its running job, 130
// interrupted.

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
#include "cli/quoted_value.h"
#include "cli/raw_argument.h"
#include "cli/run_options.h"
#include "cli/single_value.h"
#include "cli/stop_signal.h"
#include "cli/toolkit_messages.h"
#include "document/atomic_file.h"
#include "document/printable_text.h"
#include "sweep/command_line.h"
#include "sweep/fit_command.h"
#include "sweep/process_error.h"
#include "sweep/slurm_job.h"
#include "sweep/slurm_options.h"
#include "sweep/slurm_submission.h"
#include "sweep/sweep_folder.h"
#include "sweep/sweep_lock.h"
#include "sweep/sweep_manifest.h"
#include "sweep/sweep_runner.h"
#include "sweep/sweep_sea_level.h"
#include "sweep/sweep_subcommand.h"
#include "sweep/sweep_summary.h"
#include "vendrel/version.h"

namespace {

using namespace vendrel;

const char* sweep_usage_text() {
    return "Usage: vendrel-sweep MANIFEST.csv --out DIR [--jobs N] [--image] [--netcdf]\n"
           "  or:  vendrel-sweep MANIFEST.csv --out DIR --slurm [--partition P] [--chunk K]\n"
           "                     [--max-running N] [--time T] [--mem M] [--account A]\n"
           "                     [--qos Q] [--job-name NAME] [--sbatch-arg ARG]...\n"
           "                     [--no-wait | --dry-run] [--image] [--netcdf]\n"
           "  or:  vendrel-sweep --collect DIR\n"
           "  or:  vendrel-sweep design DESIGN.toml --method METHOD --out MANIFEST.csv\n"
           "  or:  vendrel-sweep sensitivity DIR [--design FILE]\n"
           "  or:  vendrel-sweep fit PRIORS.toml OBSERVATIONS.csv --out DIR (see fit --help)\n"
           "Runs the model once per manifest row and sums the runs up.\n"
           "\n"
           "The manifest is CSV: a header \"run,KEY,KEY...\", then one row per run with\n"
           "its id ([A-Za-z0-9][A-Za-z0-9._-]{0,63}, unique) and a value per key as\n"
           "vendrel-run --set takes it (quote arrays: \"0,5,10,15,20,30,40,50\"). Each run\n"
           "uses one thread unless the manifest has an omp_threads column. A\n"
           "sea_level_file column names a measured sea-level curve per run (relative to\n"
           "the manifest; empty for the sinusoids), copied into DIR for the runs.\n"
           "MANIFEST.csv \"-\" reads the manifest from standard input.\n"
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
           "  --slurm               run the rows as a Slurm job array and wait for it; the\n"
           "                        job id is printed at once and kept in DIR/slurm/jobs,\n"
           "                        and Ctrl-C while waiting cancels the job (scancel)\n"
           "  --partition P         the Slurm partition\n"
           "  --chunk K             rows per array task (default: 1, or more to stay\n"
           "                        within the cluster's MaxArraySize)\n"
           "  --max-running N       at most N array tasks at a time (the array's %N);\n"
           "                        each runs its K rows one after another\n"
           "  --time T              the time limit of each array task (sbatch --time)\n"
           "  --mem M               the memory of each array task (sbatch --mem: 4000,\n"
           "                        500M, 4G)\n"
           "  --account A           the account charged (sbatch --account)\n"
           "  --qos Q               the quality of service (sbatch --qos)\n"
           "  --job-name NAME       the job's name (default: vendrel-sweep)\n"
           "  --sbatch-arg ARG      one more argument for sbatch; may be repeated; one that\n"
           "                        sets what an option above sets is refused\n"
           "  --no-wait             submit and return; then vendrel-sweep --collect DIR\n"
           "  --dry-run             write DIR/slurm/sweep.sh and print it; submit nothing\n"
           "  --collect DIR         write the summary of the runs in DIR\n"
           "  -h, --help            show this help\n"
           "  --version             show the version\n"
           "\n"
           "Every row is checked before the first run as vendrel-run checks a run: a\n"
           "row with parameters it cannot run is refused with its line, and with --slurm\n"
           "a task that no node of the partition has the CPUs or memory for is refused.\n"
           "A rerun skips the runs whose outputs are complete (the project reads, the\n"
           "summary parses); with --slurm it submits only the array tasks that hold\n"
           "rows still to run. One sweep works in a folder at a time: while a local\n"
           "sweep runs, or the job of a Slurm sweep is queued or running, another\n"
           "sweep, submission or --collect there is refused. Each run that ends adds a\n"
           "line to DIR/joblog.tsv (run, array task, host, start, end, exit, signal).\n"
           "Progress goes to stderr: a bar on a terminal, else a line now and then.\n"
           "\n"
           "Exit status:\n"
           "  0    every run ok (--no-wait: submitted; --dry-run: script written)\n"
           "  1    a run failed or is missing, or the sweep could not go on\n"
           "  2    bad command line or manifest: nothing run\n"
           "  3    the folder is taken: another vendrel-sweep works in it, or its Slurm\n"
           "       job is still queued or running (also for --collect): try again later\n"
           "  130  interrupted (Ctrl-C, SIGTERM); a Slurm job waited for is cancelled\n"
           "\n"
           "See also vendrel-run(1) for the runs' parameters and outputs.\n";
}

struct SweepOptions {
    std::string manifest;
    std::string dir;
    int jobs = 0;
    bool image = false;
    bool netcdf = false;
    bool allow_early_end = false;
    bool slurm = false;
    SlurmOptions cluster;
    bool wait = true;
    bool dry_run = false;
    std::string collect;
    std::string task;  // run one array task's rows of DIR
    bool help = false;
    bool version = false;
};

SweepOptions parse_sweep_options(int argc, char** argv) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : {"out", "jobs", "collect", "task"}) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), "VALUE"));
    }
    add_slurm_options(parser);
    for (const char* name :
         {"image", "netcdf", "allow-early-end", "slurm", "no-wait", "dry-run", "version"}) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
    }
    parser.addOption(QCommandLineOption(QStringList{"h", "help"}));
    parse_command_line(parser, argc, argv);
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
    o.cluster = read_slurm_options(parser);
    if (const std::string jobs = single("jobs"); !jobs.empty()) {
        o.jobs = positive_count("jobs", jobs);
    }
    o.image = parser.isSet("image");
    o.netcdf = parser.isSet("netcdf");
    o.allow_early_end = parser.isSet("allow-early-end");
    o.slurm = parser.isSet("slurm");
    o.wait = !parser.isSet("no-wait");
    o.dry_run = parser.isSet("dry-run");
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
    if (!o.slurm && (o.cluster.any() || !o.wait || o.dry_run)) {
        throw UsageError(slurm_only_message({"--no-wait", "--dry-run"}));
    }
    if (!o.wait && o.dry_run) {
        throw UsageError("--dry-run submits nothing: leave out --no-wait");
    }
    if (o.slurm && o.jobs > 0) {
        throw UsageError("--jobs is for a sweep on this machine; Slurm places the runs");
    }
    return o;
}

std::vector<int> all_rows(const SweepManifest& manifest) {
    std::vector<int> rows(manifest.rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i] = int(i);
    }
    return rows;
}

SweepProgress progress_on_stderr() {
    return isatty(STDERR_FILENO) != 0 ? SweepProgress::Bar : SweepProgress::Lines;
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
    const int chunk = o.cluster.chunk > 0 ? o.cluster.chunk : 1;
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
    const char* job = std::getenv("SLURM_ARRAY_JOB_ID");
    settings.task = std::string(job ? job : "") + "_" + std::to_string(*id);
    if (manifest.column("omp_threads") >= 0) {
        settings.jobs = 1;  // the runs take the task's cores
    }
    const SweepOutcome outcome = run_sweep_rows(manifest, rows, settings, SweepProgress::Lines);
    if (outcome.end == SweepEnd::Interrupted) {
        return 130;
    }
    // A task whose rows failed fails, for sacct, dependencies and mail.
    return outcome.failed > 0 ? 1 : 0;
}

int collect(const SweepOptions& o) {
    const std::string dir = absolute(o.collect);
    const SweepManifest manifest = read_sweep_manifest(dir + "/manifest.csv");
    const SweepLock lock = claim_sweep_folder(dir, SweepClaim::Collect);
    return summarise(manifest, dir);
}

// The request for the cluster, and why it asks for its CPUs per task.
std::pair<SlurmRequest, std::string> slurm_request(const SweepOptions& o,
                                                   const SweepManifest& manifest,
                                                   const std::string& dir) {
    SlurmRequest request;
    request.dir = dir;
    request.program = absolute(std::filesystem::read_symlink("/proc/self/exe").string());
    request.rows = int(manifest.rows.size());
    o.cluster.apply_to(request);
    request.image = o.image;
    request.netcdf = o.netcdf;
    request.allow_early_end = o.allow_early_end;
    std::string reason = "the sweep";
    if (const int column = manifest.column("omp_threads"); column >= 0) {
        for (const SweepRow& row : manifest.rows) {
            const int threads = parse_int_strict(row.values[std::size_t(column)]).value_or(1);
            if (threads > request.cpus_per_task) {
                request.cpus_per_task = threads;
                reason = manifest_name(o.manifest) + ": line " + std::to_string(row.line) +
                         ", run \"" + row.id + "\": omp_threads = " + std::to_string(threads);
            }
        }
    }
    return {request, reason};
}

int run_on_slurm(const SweepOptions& o, const SweepManifest& manifest, SlurmRequest request,
                 const std::string& text) {
    const std::string& dir = request.dir;
    const SweepLock lock = open_sweep_folder(dir, text, manifest_name(o.manifest));
    copy_sea_level_files(manifest, o.manifest, dir);
    SweepSettings outputs;
    outputs.dir = dir;
    outputs.image = o.image;
    outputs.netcdf = o.netcdf;
    request.rows_to_run = incomplete_rows(manifest, outputs);
    if (request.rows_to_run.empty()) {
        std::printf("vendrel-sweep: every run is complete; nothing to submit\n");
        return o.dry_run ? 0 : summarise(manifest, dir);
    }
    std::optional<int> max_array_size;
    if (!o.dry_run || !find_on_path("scontrol").empty()) {
        max_array_size = slurm_max_array_size();
    }
    const SlurmScript script = write_slurm_script(request, max_array_size);
    if (o.dry_run) {
        std::fputs(script.text.c_str(), stdout);
        std::fprintf(stderr, "vendrel-sweep: dry run: wrote %s; nothing submitted\n",
                     printable_text(script.path).c_str());
        return 0;
    }
    // A Ctrl-C from here on cancels the job once its id is known.
    catch_stop_signals();
    const std::string job = submit_slurm_script(request, script);
    std::printf("vendrel-sweep: submitted job %s (array tasks %s)\n", job.c_str(),
                array_ranges(script.tasks).c_str());
    if (!o.wait) {
        std::printf("vendrel-sweep: when it has ended: vendrel-sweep --collect %s\n",
                    printable_text(dir).c_str());
        return 0;
    }
    std::fflush(stdout);
    if (wait_for_slurm_job(job, progress_on_stderr()) == SweepEnd::Interrupted) {
        return 130;
    }
    return summarise(manifest, dir);
}

int run(const SweepOptions& o) {
    if (!o.task.empty()) {
        return run_task(o);
    }
    if (!o.collect.empty()) {
        return collect(o);
    }
    const std::string text = read_manifest_text(o.manifest);
    const std::string name = manifest_name(o.manifest);
    const SweepManifest manifest = parse_sweep_manifest(text, name);
    check_sweep_runs(manifest, name, o.allow_early_end,
                     check_sea_level_files(manifest, o.manifest));
    const std::string dir = absolute(o.dir);
    if (o.slurm) {
        const auto [request, reason] = slurm_request(o, manifest, dir);
        check_slurm_request(request, reason, !o.dry_run);
        return run_on_slurm(o, manifest, request, text);
    }
    const SweepLock lock = open_sweep_folder(dir, text, manifest_name(o.manifest));
    copy_sea_level_files(manifest, o.manifest, dir);
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    SweepSettings settings{dir, o.image, o.jobs > 0 ? o.jobs : cores, runner_beside_program()};
    settings.netcdf = o.netcdf;
    settings.allow_early_end = o.allow_early_end;
    const SweepOutcome outcome =
        run_sweep_rows(manifest, all_rows(manifest), settings, progress_on_stderr());
    if (outcome.end == SweepEnd::Interrupted) {
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
        if (const std::optional<int> status = run_sweep_subcommand(argc, argv)) {
            return *status;
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
    } catch (const SweepBusy& e) {
        std::fprintf(stderr, "vendrel-sweep: %s\n", printable_text(e.what()).c_str());
        return 3;
    } catch (const UsageError& e) {
        // A subcommand's own help is the one to read.
        const std::string_view first = argc > 1 ? argv[1] : "";
        const std::string help = is_sweep_subcommand(first)
                                     ? "vendrel-sweep " + std::string(first) + " --help"
                                     : "vendrel-sweep --help";
        std::fprintf(stderr, "vendrel-sweep: %s (see %s)\n", printable_text(e.what()).c_str(),
                     help.c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vendrel-sweep: %s\n", printable_text(e.what()).c_str());
        return 1;
    }
}
