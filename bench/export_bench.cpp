// Data exports of the heavy run (compaction and both faults on, a horizon
// every 400 years: 500 horizons): NetCDF and the CSV tables, with the sizes
// beside the project file's. Run with --benchmark_repetitions=5 and read the
// medians. Beside them, what the window's well log costs at each picture.

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "bench/heavy_run.h"
#include "core/simulation.h"
#include "core/thread_count.h"
#include "document/csv_export.h"
#include "document/netcdf_export.h"
#include "document/project.h"
#include "document/project_writer.h"
#include "document/pseudo_well.h"

namespace {

using namespace vendrel;

// The heavy run, computed once for every benchmark, and its results.
Project& heavy_project() {
    static Project* const project = [] {
        auto* p = new Project(make_startup_parameters(default_thread_count()));
        Simulation& sim = p->simulation();
        sim.new_model();
        sim.change_parameters(bench::make_heavy);
        bench::run_to_end(sim);
        return p;
    }();
    return *project;
}

const ProjectData& heavy_run() {
    static const ProjectData data = heavy_project().snapshot();
    return data;
}

const std::vector<double> kWells = {250, 1000, 1750};

void BM_NetcdfHeavy(benchmark::State& state) {
    const ProjectData& data = heavy_run();
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = format_netcdf(data, {.history = "bench", .well_x = kWells}).size();
    }
    state.counters["horizons"] = data.count;
    state.counters["MB"] = double(bytes) / 1e6;
    state.counters["vdl_MB"] = double(format_project_file(data).size()) / 1e6;
}
BENCHMARK(BM_NetcdfHeavy)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_SectionCsvHeavy(benchmark::State& state) {
    const ProjectData& data = heavy_run();
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = format_section_csv(data).size();
    }
    state.counters["MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_SectionCsvHeavy)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_WellsCsvHeavy(benchmark::State& state) {
    const ProjectData& data = heavy_run();
    for (auto _ : state) {
        benchmark::DoNotOptimize(format_wells_csv(data, kWells));
    }
}
BENCHMARK(BM_WellsCsvHeavy)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// What the window's well log takes at each picture during a run: the well
// read from its one column under the model's guard, against the well of a
// whole copy of the model.
void BM_WellLogRefresh(benchmark::State& state, bool whole_copy) {
    Project& project = heavy_project();
    for (auto _ : state) {
        if (whole_copy) {
            const ProjectData data = project.snapshot();
            benchmark::DoNotOptimize(make_pseudo_well(Stratigraphy(data), 1000));
        } else {
            const Simulation::ReadGuard model = project.simulation().read();
            benchmark::DoNotOptimize(read_pseudo_well(model.params(), model.state(), 1000));
        }
    }
}
BENCHMARK_CAPTURE(BM_WellLogRefresh, whole_copy, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WellLogRefresh, one_column, false)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
