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

int run(const RunOptions& options) {
    ensure_writable_target(options.out);
    ModelParameters params = make_startup_parameters(runtime_max_threads());
    Simulation sim(params);
    sim.new_model();

    ModelParameters edited = sim.params();
    for (const auto& [key, value] : options.settings) {
        assign_parameter(edited, key, value);
    }
    if (options.threads) {
        edited.omp_threads = *options.threads;
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
    {
        ModelAccess access = sim.engine().read_access();
        data = take_project_snapshot(sim.params(), sim.state());
    }
    save_project_file(options.out, data);
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
        std::fprintf(stderr, "vendrel-run: %s\n", e.what());
        std::fputs("Try 'vendrel-run --help'.\n", stderr);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vendrel-run: %s\n", e.what());
        return 1;
    }
}
