#pragma once
// The results of a sweep, gathered from its folder: DIR/summary.csv with
// one row per run (the run id, its parameters, status "ok", "failed" or
// "not run", the error of a failed run, wall time, steps, horizons, final
// sea level and the metrics of run_metrics.h, read from each run's JSON
// summary), and DIR/summary.png and DIR/summary.svg: every metric against
// every parameter the manifest varies (sweep_plot.h). The same folder gives
// the same summary.csv whether the runs ran here or on a cluster, but for
// the wall-time column.

#include <string>

#include "sweep/sweep_manifest.h"

namespace vendrel {

struct SweepCounts {
    int ok = 0;
    int failed = 0;
    int not_run = 0;
};

// Writes summary.csv (atomically) and, with `plots`, the two pictures
// (which need a QGuiApplication). Throws FileError.
SweepCounts write_sweep_summary(const SweepManifest& manifest, const std::string& dir, bool plots);

}  // namespace vendrel
