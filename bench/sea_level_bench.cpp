// A run that follows a measured sea-level curve of 1,000,000 points against
// the default run of the sinusoids (one thread each), and reading curve
// files of growing size. Run with --benchmark_repetitions=5 and compare the
// medians.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "bench/heavy_run.h"
#include "core/sea_level_curve.h"
#include "core/simulation.h"
#include "document/sea_level_csv.h"

namespace {

using namespace vendrel;

// The default sinusoids sampled at n points over the default 200,000 years.
std::shared_ptr<const SeaLevelCurve> sampled_curve(int n) {
    std::vector<SeaLevelPoint> points(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = 200000.0 * i / (n - 1);
        points[std::size_t(i)] = {t, 50 * std::sin(t / (100000 / 6.28)) +
                                         20 * std::sin(t / (41000 / 6.28)) +
                                         10 * std::sin(t / (23000 / 6.28))};
    }
    return std::make_shared<const SeaLevelCurve>("bench.csv", std::move(points));
}

// Arg: points of the curve, 0 for the sinusoids.
void BM_RunWithCurve(benchmark::State& state) {
    Simulation sim(make_startup_parameters(1));
    sim.new_model();
    const int points = int(state.range(0));
    sim.change_parameters([&](ModelParameters& p) {
        p.omp_threads = 1;
        p.sea_level_curve = points > 0 ? sampled_curve(points) : nullptr;
    });
    for (auto _ : state) {
        bench::run_to_end(sim);
    }
}
BENCHMARK(BM_RunWithCurve)
    ->Arg(0)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// Arg: points in the file.
void BM_ReadCurveFile(benchmark::State& state) {
    std::string text = "time_kyr,sea_level_m\n";
    for (std::int64_t i = 0; i < state.range(0); ++i) {
        text += std::to_string(double(i) * 0.2) + "," + std::to_string(std::sin(double(i))) + "\n";
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(parse_sea_level_csv(text, "bench.csv", 200000.0));
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_ReadCurveFile)
    ->RangeMultiplier(10)
    ->Range(10'000, 1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
