// vendrel-run: runs the model without a window and saves the project.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/parameter_assignment.h"
#include "cli/run_options.h"
#include "core/simulation.h"
#include "document/atomic_file.h"
#include "document/project_open.h"
#include "document/project_writer.h"

namespace {

using namespace vendrel;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void show_progress(Simulation& sim, Clock::time_point start) {
    double ka = 0;
    int horizons = 0;
    {
        ModelAccess access = sim.engine().read_access();
        ka = sim.state().sim_time / 1000;
        horizons = sim.state().published_count();
    }
    std::fprintf(stderr, "\r  %.1f of %.1f ka, %d horizons, %.1f s   ", ka,
                 sim.params().totaltime / 1000, horizons, seconds_since(start));
    std::fflush(stderr);
}

// Prints one line on what a project holds; the error when it does not read.
int check(const std::string& path) {
    ModelParameters params = make_startup_parameters(runtime_max_threads());
    Simulation sim(params);
    sim.new_model();
    ProjectDefaults defaults;
    {
        ModelAccess access = sim.engine().read_access();
        defaults = current_project_values(sim.params(), sim.state());
    }
    const ProjectData data = ReadProjectFile(path, defaults).data;
    std::printf("%s: %d horizons, section %g x %g m, run of %g years recorded every %g years\n",
                path.c_str(), data.count, data.params.max_x, data.params.max_y,
                data.params.totaltime, data.params.display_inc);
    return 0;
}

void save(Simulation& sim, const std::string& path, ProjectData& data) {
    {
        ModelAccess access = sim.engine().read_access();
        data = take_project_snapshot(sim.params(), sim.state());
    }
    save_project_file(path, data);
}

int run(const RunOptions& options) {
    if (!options.check.empty()) {
        return check(options.check);
    }
    ensure_writable_target(options.out);
    ModelParameters params = make_startup_parameters(runtime_max_threads());
    Simulation sim(params);
    sim.new_model();
    if (!options.project.empty()) {
        open_project(sim, options.project);
    }

    ModelParameters edited = sim.params();
    for (const auto& [key, value] : options.settings) {
        assign_parameter(edited, key, value);
    }
    if (options.threads) {
        edited.omp_threads = *options.threads;
    }
    if (options.no_run) {
        // The values go in as a project line would carry them; the opened
        // results stay as they are.
        {
            ModelAccess idle = sim.engine().exclusive_access();
            sim.params() = edited;
        }
        ProjectData data;
        save(sim, options.out, data);
        std::printf("vendrel-run: %d horizons; saved %s\n", data.count, options.out.c_str());
        return 0;
    }
    sim.change_parameters([&](ModelParameters& p) { p = edited; });

    const bool terminal = isatty(STDERR_FILENO) != 0;
    const Clock::time_point start = Clock::now();
    sim.engine().start_run();
    while (!sim.engine().wait_until_idle(std::chrono::milliseconds(200))) {
        if (terminal) {
            show_progress(sim, start);
        }
    }
    if (terminal) {
        std::fputs("\r\033[K", stderr);
    }
    const double run_seconds = seconds_since(start);

    ProjectData data;
    save(sim, options.out, data);
    std::printf("vendrel-run: %lld steps, %d horizons, %.2f s; saved %s\n",
                static_cast<long long>(sim.engine().steps_taken()), data.count, run_seconds,
                options.out.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const RunOptions options =
            parse_run_options(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            std::fputs(usage_text(), stdout);
            return 0;
        }
        return run(options);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "vendrel-run: %s (see vendrel-run --help)\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vendrel-run: %s\n", e.what());
        return 1;
    }
}
