#pragma once
// vendrel-sweep design DESIGN.toml --method grid|lhs|sobol|saltelli|morris
//                      --out MANIFEST.csv [--allow-early-end]
//
// Reads the description (design_description.h), samples it
// (design_sampling.h), checks every row and only then writes the manifest
// and the kept design beside it (design_manifest.h), each atomically.
// The same description and seed give the same files, byte for byte.

namespace vendrel {

// argv: the arguments after "design". Returns the exit status.
int run_design_command(int argc, char** argv);

}  // namespace vendrel
