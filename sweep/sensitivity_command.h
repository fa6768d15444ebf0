#pragma once
// vendrel-sweep sensitivity DIR [--design FILE]
//
// The sensitivity of the metrics of a finished design's runs in DIR to the
// design's free parameters (sensitivity_analysis.h): DIR/sensitivity.csv
// and the plot DIR/sensitivity.png and DIR/sensitivity.svg
// (sensitivity_plot.h). The design is the kept design (design_manifest.h),
// DIR/design.toml unless --design names it; it must make DIR/manifest.csv
// again, byte for byte, and every run of it must be "ok" in
// DIR/summary.csv.

namespace vendrel {

// argv: the arguments after "sensitivity". Returns the exit status.
int run_sensitivity_command(int argc, char** argv);

}  // namespace vendrel
