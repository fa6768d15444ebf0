#pragma once
// A sweep's manifest: CSV with a header line, the first column "run" (the
// run's id), then one column per parameter key as --set takes them
// (`vendrel-run --list-params`); one row per run. Fields may be quoted
// ("0,5,10,15,20,30,40,50" for an array); empty lines are skipped.
//
// Everything is checked before anything runs: ids match
// [A-Za-z0-9][A-Za-z0-9._-]{0,63} and are unique, keys are parameters and
// appear once, every value is one assign_parameter() accepts (finite
// numbers, whole numbers for integer keys). Errors name the file, the line
// and the column. A sea_level_file column names a measured curve per row
// (sweep/sweep_sea_level.h).

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace vendrel {

class SeaLevelCurve;

struct SweepRow {
    std::string id;
    std::vector<std::string> values;  // one per key
    int line = 0;                     // in the manifest
};

struct SweepManifest {
    std::vector<std::string> keys;  // the parameter columns, in order
    std::vector<SweepRow> rows;

    // The column of `key`, or -1.
    int column(const std::string& key) const;
};

// Reads and checks the manifest ("-": standard input). A UTF-8 byte order
// mark before the header is skipped. Throws UsageError.
SweepManifest read_sweep_manifest(const std::string& path);
// The largest manifest a sweep reads.
constexpr std::size_t kMaxManifestBytes = std::size_t(64) << 20;

// The manifest's bytes ("-": standard input), at most 64 MiB. Throws
// UsageError.
std::string read_manifest_text(const std::string& path);
// How messages name the manifest: its path, or "standard input".
std::string manifest_name(const std::string& path);
SweepManifest parse_sweep_manifest(const std::string& text, const std::string& name);

// Checks every row's parameters as the runner checks them before a run
// (core/run_admission.h), with the row's measured sea-level curve where
// `curves` (one per row, null for the sinusoids) gives one: the first row
// that would be refused throws UsageError naming the manifest, the line and
// the run.
void check_sweep_runs(const SweepManifest& manifest, const std::string& name, bool allow_early_end,
                      const std::vector<std::shared_ptr<const SeaLevelCurve>>& curves);

// True for an id a run may have.
bool valid_run_id(const std::string& id);

// One CSV field, quoted when it needs to be.
std::string csv_field(const std::string& text);

}  // namespace vendrel
