// A sweep of 8 short runs (totaltime 20000 each, one thread per run) with
// one and with two runs at a time: on two free cores --jobs 2 should take
// little more than half the time of --jobs 1. Run with
// --benchmark_repetitions=5 and compare the medians.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

void BM_Sweep8Runs(benchmark::State& state) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("vendrel-sweep-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    {
        std::ofstream manifest(dir / "manifest.csv");
        manifest << "run,totaltime,rates_2\n";
        for (int i = 1; i <= 8; ++i) {
            manifest << "r" << i << ",20000," << 6 + i << "\n";
        }
    }
    for (auto _ : state) {
        std::filesystem::remove_all(dir / "out");
        const std::string command =
            std::string(VENDREL_SWEEP_PATH) + " " + (dir / "manifest.csv").string() + " --out " +
            (dir / "out").string() + " --jobs " + std::to_string(state.range(0)) + " >/dev/null";
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("the sweep failed");
            break;
        }
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_Sweep8Runs)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
