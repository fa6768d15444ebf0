#pragma once
// The kinds of output the runner writes, one row each: the option that
// names it, the suffixes it accepts, whether it is a raster picture (held to
// the pixel limit) or needs Qt's toolkit, and the function that writes it.
// Adding an output is one row in output_kinds() (output_kind.cpp) and its
// writer: the command line, --help, the checks before the run and the
// all-or-nothing save follow from the row.
//
// A writer is called after the run, with the final model, and writes the
// whole output into `file` (a temporary, or a stream's buffer); it throws
// FileError when it cannot. It never renames or commits: the output plan
// does that for every output at once.

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "document/atomic_file.h"
#include "document/project_data.h"

namespace vendrel {

class Project;
struct RunOptions;
struct RunReport;

// What a writer draws from.
struct OutputContext {
    Project& project;           // the model after the run (take snapshots from it)
    const ProjectData& data;    // the project as the file holds it
    const RunOptions& options;  // --size and the like
    const RunReport& report;    // steps, wall time, metrics
};

using OutputWriter = std::function<void(const OutputContext& context, AtomicFile& file)>;

struct OutputKind {
    std::string_view option;                 // long option, without "--"
    std::string_view short_name;             // "o" for -o; "" for none
    std::string_view value_name;             // "FILE.vdl", shown in --help
    std::string_view description;            // one line of --help
    std::vector<std::string_view> suffixes;  // accepted, lowercase with the dot
    bool raster = false;                     // a picture of --size pixels, at most kMaxRasterPixels
    bool needs_toolkit = false;              // drawn with Qt's painter and fonts
    OutputWriter write;
};

// The largest raster output, in pixels (width x height).
inline constexpr long long kMaxRasterPixels = 100'000'000;

// Every output kind; the project (--out) comes first.
std::span<const OutputKind> output_kinds();

// True when `path` ends in one of the kind's suffixes (any case).
bool has_accepted_suffix(const OutputKind& kind, const std::string& path);

}  // namespace vendrel
