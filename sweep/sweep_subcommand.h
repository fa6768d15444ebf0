#pragma once
// The subcommands of vendrel-sweep, named by its first argument:
//
//   vendrel-sweep design DESIGN.toml --method M --out MANIFEST.csv
//   vendrel-sweep sensitivity DIR [--design FILE]
//   vendrel-sweep fit PRIORS.toml OBSERVATIONS.csv --out DIR
//
// (design_command.h, sensitivity_command.h, fit_command.h). Each throws UsageError for a
// bad command line (exit status 2) and FileError when it cannot save.

#include <optional>
#include <string_view>

namespace vendrel {

// The exit status of the subcommand argv[1] names, or nothing when argv[1]
// names none (a manifest, an option).
std::optional<int> run_sweep_subcommand(int argc, char** argv);

// Whether `name` is a subcommand's (design, sensitivity, fit).
bool is_sweep_subcommand(std::string_view name);

}  // namespace vendrel
