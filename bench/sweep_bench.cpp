// Sweeps of short runs (one thread per run):
//
// - BM_Sweep8Runs: 8 runs of totaltime 20000 with one and with two runs at
//   a time; on two free cores --jobs 2 should take little more than half
//   the time of --jobs 1.
// - Throughput against a plain shell loop of vendrel-run over the same 16
//   rows, at totaltime 1000 (the runs' start and saving dominate) and 20000:
//   BM_ShellLoop runs them one after another, BM_SweepLocal with --jobs 1,
//   BM_SweepSlurm as a job array of one CPU per task on the cluster
//   SLURM_CONF names (skipped without one). Each reports runs_per_s_per_core
//   (runs / wall time / cores used: 1 for the loop and the local sweep, the
//   cluster's CPUs for the array).
//
// Run with --benchmark_repetitions=5 and compare the medians.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int kRows = 16;

std::filesystem::path bench_dir(const char* name) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("vendrel-sweep-bench-" + std::to_string(getpid()) + "-" + name);
    std::filesystem::create_directories(dir);
    return dir;
}

void BM_Sweep8Runs(benchmark::State& state) {
    const std::filesystem::path dir = bench_dir("jobs");
    {
        std::ofstream manifest(dir / "manifest.csv");
        manifest << "run,totaltime,rates_2\n";
        for (int i = 1; i <= 8; ++i) {
            manifest << "r" << i << ",20000," << 6 + i << "\n";
        }
    }
    for (auto _ : state) {
        std::filesystem::remove_all(dir / "out");
        const std::string command = std::string(VENDREL_SWEEP_PATH) + " " +
                                    (dir / "manifest.csv").string() + " --out " +
                                    (dir / "out").string() + " --jobs " +
                                    std::to_string(state.range(0)) + " >/dev/null 2>&1";
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

// The 16 rows, as a manifest and as the shell loop that runs them as the
// sweep does (the same options, one thread, the project and the summary).
std::filesystem::path write_rows(const char* name, int totaltime) {
    const std::filesystem::path dir = bench_dir(name);
    std::ofstream manifest(dir / "manifest.csv");
    std::ofstream loop(dir / "loop.sh");
    manifest << "run,totaltime,rates_2\n";
    loop << "set -e\nmkdir -p loop\ncd loop\n";
    for (int i = 1; i <= kRows; ++i) {
        manifest << "r" << i << "," << totaltime << "," << 6 + i % 5 << "\n";
        loop << VENDREL_RUN_PATH << " --quiet --set totaltime=" << totaltime
             << " --set rates_2=" << 6 + i % 5 << " --threads 1 --out r" << i << ".vdl --summary r"
             << i << ".json\n";
    }
    return dir;
}

void report(benchmark::State& state, double seconds, int cores) {
    state.counters["runs_per_s_per_core"] =
        benchmark::Counter(double(kRows) * double(state.iterations()) / seconds / cores);
}

template <typename Setup, typename Command>
void time_commands(benchmark::State& state, const char* name, Setup cores_used, Command command) {
    const std::filesystem::path dir = write_rows(name, int(state.range(0)));
    const int cores = cores_used();
    if (cores < 1) {
        state.SkipWithError("no cluster: set SLURM_CONF (scripts/slurm-local start DIR)");
        std::filesystem::remove_all(dir);
        return;
    }
    double seconds = 0;
    for (auto _ : state) {
        std::filesystem::remove_all(dir / "out");
        std::filesystem::remove_all(dir / "loop");
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command(dir).c_str()) != 0) {
            state.SkipWithError("the runs failed");
            break;
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    report(state, seconds, cores);
    std::filesystem::remove_all(dir);
}

int one_core() {
    return 1;
}

// The cluster's CPUs, or 0 without a cluster.
int cluster_cores() {
    if (std::getenv("SLURM_CONF") == nullptr) {
        return 0;
    }
    std::FILE* pipe = ::popen("sinfo -h -o %C 2>/dev/null", "r");  // allocated/idle/other/total
    if (pipe == nullptr) {
        return 0;
    }
    char line[128] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    ::pclose(pipe);
    const std::string text = read ? line : "";
    const std::size_t slash = text.rfind('/');
    return slash == std::string::npos ? 0 : std::atoi(text.c_str() + slash + 1);
}

void BM_ShellLoop(benchmark::State& state) {
    time_commands(state, "loop", one_core, [](const std::filesystem::path& dir) {
        return "cd " + dir.string() + " && sh loop.sh >/dev/null 2>&1";
    });
}

void BM_SweepLocal(benchmark::State& state) {
    time_commands(state, "local", one_core, [](const std::filesystem::path& dir) {
        return std::string(VENDREL_SWEEP_PATH) + " " + (dir / "manifest.csv").string() + " --out " +
               (dir / "out").string() + " --jobs 1 >/dev/null 2>&1";
    });
}

void BM_SweepSlurm(benchmark::State& state) {
    time_commands(state, "slurm", cluster_cores, [](const std::filesystem::path& dir) {
        return std::string(VENDREL_SWEEP_PATH) + " " + (dir / "manifest.csv").string() + " --out " +
               (dir / "out").string() +
               " --slurm --chunk 4 --job-name vendrel-sweep-bench >/dev/null 2>&1";
    });
}

BENCHMARK(BM_ShellLoop)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SweepLocal)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SweepSlurm)
    ->Arg(1000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
