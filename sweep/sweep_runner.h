#pragma once
// Runs a sweep's rows, each as its own vendrel-run process, at most `jobs`
// at a time. Row <id> writes, all or nothing, DIR/<id>.vdl, DIR/<id>.json
// (the run's --json summary) and DIR/<id>.png with --image; a row whose
// outputs are all there is complete and is skipped. A run that fails leaves
// DIR/<id>.error holding its error line (removed once it succeeds); the
// others go on. SIGINT or SIGTERM stops the runs under way (they save
// nothing) and starts no more: only complete outputs stay.

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
};

struct RunFiles {
    std::string project;  // <id>.vdl
    std::string summary;  // <id>.json
    std::string image;    // <id>.png
    std::string netcdf;   // <id>.nc
    std::string error;    // <id>.error
};
RunFiles run_files(const std::string& dir, const std::string& id);

bool run_complete(const SweepSettings& settings, const std::string& id);

enum class SweepEnd { Finished, Interrupted };

// Runs the given rows (indices into manifest.rows) that are not complete.
// With `progress`, a bar on stderr.
SweepEnd run_sweep_rows(const SweepManifest& manifest, const std::vector<int>& rows,
                        const SweepSettings& settings, bool progress);

// The vendrel-run beside the running program.
std::string runner_beside_program();

}  // namespace vendrel
