// Whole runs as vendrel-run makes them, the plain fused kernel they are
// measured against, and the writing of a 500-horizon project. Run with
// --benchmark_repetitions=5 and read the medians; the CPU column of the runs
// is the whole process's (engine and workers), steadier than wall time on
// a shared machine. bench/process_times measures the whole vendrel-run
// process.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "bench/fused_kernel.h"
#include "bench/heavy_run.h"
#include "core/exponential.h"
#include "core/simulation.h"
#include "core/surface_step.h"
#include "core/thread_count.h"
#include "document/project.h"
#include "document/project_writer.h"

namespace {

using namespace vendrel;

enum class Load { Default, Heavy };

void configure(ModelParameters& p, Load load, int threads) {
    if (load == Load::Heavy) {
        bench::make_heavy(p);
    }
    if (threads > 0) {
        p.omp_threads = threads;
    }
}

using bench::run_to_end;

// Arg: thread count, 0 for the program's default.
void BM_Run(benchmark::State& state, Load load) {
    ModelParameters params = make_startup_parameters(default_thread_count());
    Simulation sim(params);
    sim.new_model();
    sim.change_parameters([&](ModelParameters& p) { configure(p, load, int(state.range(0))); });
    for (auto _ : state) {
        run_to_end(sim);
    }
    state.counters["horizons"] = sim.published_count();
}
BENCHMARK_CAPTURE(BM_Run, default_run, Load::Default)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Run, heavy_run, Load::Heavy)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// A default run on one thread with each path of the time step (0 scalar,
// 1 SSE2, 2 AVX2) that this processor runs.
void BM_RunOnPath(benchmark::State& state) {
    const auto path = VectorPath(state.range(0));
    if (!vector_path_supported(path)) {
        state.SkipWithError("the processor lacks this path");
        return;
    }
    force_vector_path(path);
    ModelParameters params = make_startup_parameters(default_thread_count());
    Simulation sim(params);
    sim.new_model();
    sim.change_parameters([&](ModelParameters& p) { configure(p, Load::Default, 1); });
    for (auto _ : state) {
        run_to_end(sim);
    }
    force_vector_path(std::nullopt);
}
BENCHMARK(BM_RunOnPath)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// The yardstick: a default run's 200000 surface steps as plain code.
void BM_FusedKernel(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(bench::run_fused_kernel(200000));
    }
}
BENCHMARK(BM_FusedKernel)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// The engine's exponential over 4096 exponents of the range compaction
// meets, on each path (0 scalar, 1 SSE2, 2 AVX2) this build and processor
// run; the counter is nanoseconds per value.
void BM_Exponential(benchmark::State& state) {
    const auto path = VectorPath(state.range(0));
    if (!vector_path_supported(path)) {
        state.SkipWithError("this build or processor lacks the path");
        return;
    }
    std::vector<double> x(4096), y(4096);
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] = -50.0 * double(i) / double(x.size());
    }
    for (auto _ : state) {
        exponentials(x.data(), y.data(), int(x.size()), path);
        benchmark::DoNotOptimize(y.data());
    }
    state.counters["ns_per_value"] =
        benchmark::Counter(double(state.iterations()) * double(x.size()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Exponential)->Arg(0)->Arg(1)->Arg(2);

// The heavy run, finished, with a scratch project path beside it.
struct FinishedHeavyRun {
    Project project{make_startup_parameters(default_thread_count())};
    Simulation& sim = project.simulation();
    char folder[32] = "/tmp/vendrel-bench-XXXXXX";
    std::string path;

    FinishedHeavyRun() {
        sim.new_model();
        sim.change_parameters([&](ModelParameters& p) { configure(p, Load::Heavy, 0); });
        run_to_end(sim);
        path = std::string(mkdtemp(folder)) + "/heavy.vdl";
    }
    ~FinishedHeavyRun() {
        unlink(path.c_str());
        rmdir(folder);
    }
    void save() {
        ProjectData data;
        {
            const Simulation::ReadGuard model = sim.read();
            data = take_project_snapshot(model.params(), DisplaySettings{}, model.state());
        }
        save_project_file(path, data);
    }
};

void BM_WriteHeavyProject(benchmark::State& state) {
    FinishedHeavyRun run;
    for (auto _ : state) {
        run.save();
    }
}
BENCHMARK(BM_WriteHeavyProject)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// Opening the heavy run's project: reading, checking and storing it.
void BM_OpenHeavyProject(benchmark::State& state) {
    FinishedHeavyRun run;
    run.save();
    for (auto _ : state) {
        run.project.open(run.path);
    }
    state.counters["horizons"] = run.sim.published_count();
}
BENCHMARK(BM_OpenHeavyProject)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
