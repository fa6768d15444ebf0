#pragma once
// How many threads a run computes with: the engine thread and the workers
// of its pool (core/worker_pool.h).
//
// The processors a run may use are those of this process's affinity mask,
// so a batch task confined to one processor gets one thread. The default
// count is OMP_NUM_THREADS where that holds a positive integer (the first
// of a comma-separated list), else every usable processor; either way at
// most the usable processors. A run's count is its omp_threads where that is
// positive, the default where it is 0, never more than the usable
// processors: more threads than processors would only add wake-ups.

#include <optional>
#include <string_view>

namespace vendrel {

// The most threads a run asks for, whatever omp_threads says.
inline constexpr int kMaxWorkerThreads = 256;

// Processors in this process's affinity mask (at least 1).
int usable_processors();

// The positive thread count at the start of an OMP_NUM_THREADS value, or
// nothing for an empty, zero, negative or malformed value.
std::optional<int> parse_thread_count(std::string_view value);

// The default thread count, from OMP_NUM_THREADS and the affinity mask.
int default_thread_count();

// The threads a run with this omp_threads setting computes with.
int run_thread_count(int omp_threads);

}  // namespace vendrel
