#pragma once
// The subcommands of vendrel-sweep, named by its first argument:
//
//   vendrel-sweep design DESIGN.toml --method M --out MANIFEST.csv
//   vendrel-sweep sensitivity DIR [--design FILE]
//
// (design_command.h, sensitivity_command.h). Each throws UsageError for a
// bad command line (exit status 2) and FileError when it cannot save.

#include <optional>

namespace vendrel {

// The exit status of the subcommand argv[1] names, or nothing when argv[1]
// names none (a manifest, an option).
std::optional<int> run_sweep_subcommand(int argc, char** argv);

}  // namespace vendrel
