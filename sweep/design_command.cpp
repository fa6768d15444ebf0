#include "sweep/design_command.h"

#include <algorithm>
#include <cstdio>

#include "cli/run_options.h"
#include "document/atomic_file.h"
#include "document/printable_text.h"
#include "sweep/command_arguments.h"
#include "sweep/design_manifest.h"
#include "sweep/sweep_manifest.h"

namespace vendrel {
namespace {

const char* design_usage_text() {
    return "Usage: vendrel-sweep design DESIGN.toml --method METHOD --out MANIFEST.csv\n"
           "Writes a sweep manifest of a designed sample, and beside it\n"
           "MANIFEST.design.toml, the design that vendrel-sweep sensitivity reads.\n"
           "\n"
           "DESIGN.toml holds samples and seed at the top, a [fixed] table of the\n"
           "parameters every run shares (as --set takes them) and a [free] table of\n"
           "those the design varies: key = [low, high], key = { range = [low, high],\n"
           "scale = \"log\" } or key = { values = [...] }.\n"
           "\n"
           "Methods:\n"
           "  grid      every combination: samples levels per range, each listed value\n"
           "  lhs       a Latin hypercube of samples runs\n"
           "  sobol     the first samples points of the Sobol' sequence\n"
           "  saltelli  samples x (k + 2) runs for the Sobol' indices of k parameters\n"
           "  morris    samples trajectories of k + 1 runs for the Morris measures\n"
           "\n"
           "Options:\n"
           "  --method METHOD     the sampling method\n"
           "  --out MANIFEST.csv  the manifest to write\n"
           "  --allow-early-end   allow rows whose recordings overrun the horizon slots\n"
           "  -h, --help          show this help\n"
           "\n"
           "Every row is checked against the dialogs' ranges and as a run is checked\n"
           "before anything is written. Exit status: 0 written, 1 not saved, 2 bad\n"
           "command line or description.\n";
}

}  // namespace

int run_design_command(int argc, char** argv) {
    const CommandArguments args =
        parse_command_arguments(argc, argv, {"method", "out"}, {"help", "allow-early-end"});
    if (args.has("help")) {
        std::fputs(design_usage_text(), stdout);
        return 0;
    }
    if (args.positional.size() != 1) {
        throw UsageError(args.positional.empty() ? "design: no description given"
                                                 : "design: more than one description given");
    }
    const std::string out = args.value("out");
    if (out.empty() || out == "-") {
        throw UsageError("design: give --out MANIFEST.csv, a file beside which the design is kept");
    }
    const std::optional<DesignMethod> method = design_method(args.value("method"));
    if (!method) {
        throw UsageError("design: --method is grid, lhs, sobol, saltelli or morris, got \"" +
                         args.value("method") + "\"");
    }
    const std::string& path = args.positional.front();
    const std::string text = read_design_text(path);
    const DesignDescription description = parse_design_description(text, path);
    const std::string manifest =
        design_manifest_text(description, sample_design(description, *method));
    if (manifest.size() > kMaxManifestBytes) {
        throw UsageError("design: the manifest would be larger than the 64 MiB a sweep reads");
    }
    check_design_manifest(manifest, out, args.has("allow-early-end"));
    const std::string kept = kept_design_path(out);
    ensure_writable_target(kept);
    ensure_writable_target(out);
    write_file_atomically(kept, kept_design_text(text, *method));
    write_file_atomically(out, manifest);
    const auto rows = std::count(manifest.begin(), manifest.end(), '\n') - 1;
    std::printf("vendrel-sweep: %ld runs of a %s design in %s; the design is kept in %s\n",
                long(rows), std::string(design_method_name(*method)).c_str(),
                printable_text(out).c_str(), printable_text(kept).c_str());
    return 0;
}

}  // namespace vendrel
