// Data exports of the heavy run (compaction and both faults on, a horizon
// every 400 years: 500 horizons): NetCDF and the CSV tables, with the sizes
// beside the project file's. Run with --benchmark_repetitions=5 and read the
// medians.

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "bench/heavy_run.h"
#include "core/simulation.h"
#include "document/csv_export.h"
#include "document/netcdf_export.h"
#include "document/project.h"
#include "document/project_writer.h"

namespace {

using namespace vendrel;

// The results of the heavy run, computed once for every benchmark.
const ProjectData& heavy_run() {
    static const ProjectData data = [] {
        Project project(make_startup_parameters(runtime_max_threads()));
        Simulation& sim = project.simulation();
        sim.new_model();
        sim.change_parameters(bench::make_heavy);
        bench::run_to_end(sim);
        return project.snapshot();
    }();
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

}  // namespace

BENCHMARK_MAIN();
