#pragma once
// The sea_level_file column of a sweep manifest: each row names a measured
// sea-level curve (relative to the manifest's folder) or is empty for the
// sinusoids. Before anything runs every named file is read; then each
// distinct name is copied into the sweep's folder as
// DIR/sea-level-<k>/<file name> (k counting distinct names from 1 in row
// order), so the runs, on this machine or as cluster tasks, read their own
// copy and the curve keeps its file name.

#include <memory>
#include <string>
#include <vector>

#include "sweep/sweep_manifest.h"

namespace vendrel {

class SeaLevelCurve;

// Reads every curve the manifest at `manifest_path` names: the curve of
// each row, in row order (null for the sinusoids). Throws UsageError naming
// the row, the column and the file's error.
std::vector<std::shared_ptr<const SeaLevelCurve>> check_sea_level_files(
    const SweepManifest& manifest, const std::string& manifest_path);

// Copies each distinct curve into `dir`. A copy already there with other
// contents is refused (UsageError): the folder holds another sweep.
void copy_sea_level_files(const SweepManifest& manifest, const std::string& manifest_path,
                          const std::string& dir);

// The copy `row` runs with, or an empty text for the sinusoids.
std::string sea_level_copy(const SweepManifest& manifest, const SweepRow& row,
                           const std::string& dir);

}  // namespace vendrel
