#pragma once
// The manifest of a designed sample and the design kept beside it.
//
// The manifest has a column per fixed parameter (the value as written in
// [fixed]) and per free parameter (the value at the row's point, to 12
// significant digits; a listed value as written), one row per point of
// the design. Every row is checked before anything is written: as a sweep
// checks its manifest (sweep_manifest.h: the run's parameters as the runner
// checks them), and every value against the dialogs' ranges
// (core/dialog_ranges.h). The design is kept as MANIFEST.design.toml (the
// manifest's name without .csv): the description as given, after a first
// line `method = "…"`, so that it reads as a description again and makes
// the same manifest, byte for byte, which is how the sensitivity step
// knows a folder's runs.

#include <string>

#include "sweep/design_description.h"
#include "sweep/design_sampling.h"

namespace vendrel {

// The CSV text of the design's manifest.
std::string design_manifest_text(const DesignDescription& description, const DesignPoints& points);

// Checks every row as above; throws UsageError naming `name`, the line and
// the run.
void check_design_manifest(const std::string& text, const std::string& name, bool allow_early_end);

// "runs.csv" -> "runs.design.toml"
std::string kept_design_path(const std::string& manifest);

// The kept design's text.
std::string kept_design_text(const std::string& description_text, DesignMethod method);

// Reads a kept design: the description and its method. Throws UsageError.
struct KeptDesign {
    DesignDescription description;
    DesignMethod method = DesignMethod::Grid;
};
KeptDesign read_kept_design(const std::string& path);

}  // namespace vendrel
