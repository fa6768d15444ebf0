#pragma once
// The runner's command line, read with QCommandLineParser: long options
// with "--opt value" or "--opt=value", "-o" for --out, "--" before a
// project whose name starts with "-". A single-valued option given twice is
// refused; a bad command line throws UsageError (exit status 2). One table
// of options (run_options.cpp: names, value, help lines, where the value
// goes) gives both the parser and --help.

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "cli/output_plan.h"
#include "view/figure_export.h"

namespace vendrel {

// A command line that cannot be run; the message says why.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct RunOptions {
    std::string project;      // the project to start from; empty for a new one
    std::string params_file;  // --params: key = value lines, applied before --set
    std::vector<std::pair<std::string, std::string>> settings;  // --set key=value, in order
    std::optional<int> threads;
    // --sea-level: a measured curve; --no-sea-level-file: the sinusoids.
    std::optional<std::string> sea_level_file;
    bool no_sea_level_file = false;
    std::vector<RequestedOutput> outputs;  // in the order of output_kinds()
    std::vector<double> wells;             // --well: pseudo-well positions (m), as given
    FigureMarks marks;                     // --mark: what --figure and --wheeler draw besides
    bool mark_wells = false;               // --mark wells: the --well positions too
    std::string command;                   // the command line, recorded by the data exports
    bool no_run = false;                   // save what was opened (and set) without running
    bool allow_early_end = false;          // run even when the recordings overrun the horizon slots
    std::string check;                     // validate this project and report
    int image_width = 1600;
    int image_height = 800;
    bool size_given = false;     // --size: pictures, and figures in pixels
    double figure_width_in = 0;  // --figure-width in inches; 0: --size or the default
    bool report_style = false;   // --style report: the Wheeler diagram in the report palette
    int figure_dpi = 96;         // --dpi: a PNG figure is its width in inches x dpi pixels
    bool json = false;           // the summary as JSON on stdout
    bool progress = false;       // percent and time left on stderr, one line every few seconds
    bool quiet = false;          // no progress at all
    bool help = false;
    bool version = false;
    bool list_params = false;

    bool needs_toolkit() const;
};

// The width of a figure without --size or --figure-width: 170 mm, a page's
// two columns.
inline constexpr double kDefaultFigureWidthMm = 170;

// The figure --figure asks for: --figure-width (the default width when
// --size is not given either) at 96 figure pixels to the inch, half as
// high as wide, so that its 12-pixel text prints at 9 points; or --size in
// figure pixels. --dpi sets a PNG's pixels per inch.
FigureRequest figure_request(const RunOptions& options);
// The Wheeler diagram --wheeler asks for: --size pixels (default
// 1600x800), or --figure-width as a figure's; a PNG at --dpi.
FigureRequest wheeler_request(const RunOptions& options);

// `args` without the program name.
RunOptions parse_run_options(const std::vector<std::string>& args);

std::string usage_text();

}  // namespace vendrel
