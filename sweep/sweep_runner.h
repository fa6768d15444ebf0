#pragma once
// Runs a sweep's rows, each as its own vendrel-run process started in DIR,
// at most `jobs` at a time. Row <id> writes, all or nothing, DIR/<id>.vdl,
// DIR/<id>.json (the run's --json summary, naming its outputs relative to
// DIR) and DIR/<id>.png with --image. A row is complete when its outputs
// read back (the project reads, the summary parses) and is then skipped. A
// run that fails leaves DIR/<id>.error holding its error line (removed once
// it succeeds); the others go on. Each run that ends adds a line to
// DIR/joblog.tsv (run, array task, host, start, end, exit status, signal).
// SIGINT or SIGTERM stops the runs under way (they save nothing) and starts
// no more: only complete outputs stay. A run dies with the sweep that
// started it, even when that one is killed outright.

#include <sys/types.h>

#include <string>
#include <vector>

#include "sweep/sweep_manifest.h"

namespace vendrel {

struct SweepSettings {
    std::string dir;
    bool image = false;
    int jobs = 1;
    std::string runner;  // the vendrel-run to start
    bool netcdf = false;
    bool allow_early_end = false;  // --allow-early-end for every run
    std::string task{};            // the Slurm array task, for the job log
};

struct RunFiles {
    std::string project;  // <id>.vdl
    std::string summary;  // <id>.json
    std::string image;    // <id>.png
    std::string netcdf;   // <id>.nc
    std::string error;    // <id>.error
};
RunFiles run_files(const std::string& dir, const std::string& id);

// True when the row's outputs are there and read back: the project file
// reads as a project, the summary parses as a JSON object, and the picture
// and NetCDF file the settings ask for are there and not empty.
bool run_complete(const SweepSettings& settings, const std::string& id);

// The rows (indices into manifest.rows) that are not complete.
std::vector<int> incomplete_rows(const SweepManifest& manifest, const SweepSettings& settings);

enum class SweepEnd { Finished, Interrupted };

struct SweepOutcome {
    SweepEnd end = SweepEnd::Finished;
    int ran = 0;
    int failed = 0;
};

// How the sweep reports progress on stderr: a bar that rewrites itself
// (a terminal), a line now and then (a log file), or nothing.
enum class SweepProgress { None, Bar, Lines };

// Runs the given rows (indices into manifest.rows) that are not complete.
SweepOutcome run_sweep_rows(const SweepManifest& manifest, const std::vector<int>& rows,
                            const SweepSettings& settings, SweepProgress progress);

// The vendrel-run beside the running program.
std::string runner_beside_program();

// Starts `args` (args[0] the program's path) in the folder `dir`, every
// name as bytes, with stdin and stdout on /dev/null and stderr into the
// descriptor `log`. The child asks to get SIGTERM when this process dies
// (a run then stops and saves nothing) and checks that it did not die
// before it asked. Throws FileError when it cannot fork.
pid_t start_run(const std::vector<std::string>& args, const std::string& dir, int log);

// The name of the job log in a sweep's folder.
inline constexpr const char* kJobLogName = "joblog.tsv";

}  // namespace vendrel
