#pragma once
// A sweep as one Slurm job array: task i runs rows i*K .. i*K+K-1 of the
// manifest copied into DIR, by the same code as a local sweep
// (`vendrel-sweep --task DIR --chunk K`, the task picked by
// SLURM_ARRAY_TASK_ID). The array is kept within the cluster's MaxArraySize
// (from `scontrol show config`): K is raised to fit when not given, and a
// given K that does not fit is refused.

#include <string>
#include <vector>

namespace vendrel {

struct SlurmRequest {
    std::string dir;      // absolute; shared with the nodes
    std::string program;  // this vendrel-sweep, absolute
    int rows = 0;
    int chunk = 0;  // 0: choose
    std::string partition;
    std::vector<std::string> sbatch_args;
    int cpus_per_task = 1;
    bool image = false;
    bool netcdf = false;
    bool allow_early_end = false;
    bool wait = true;
};

// Where a program is found on PATH, or "".
std::string find_on_path(const std::string& program);

// MaxArraySize of the cluster SLURM_CONF (or the default configuration)
// names. Throws ProcessError when scontrol cannot say.
int slurm_max_array_size();

// The rows per task: `chunk` when it keeps the task count within
// `max_array_size`, the smallest that does when `chunk` is 0. Throws
// UsageError otherwise.
int choose_chunk(int rows, int chunk, int max_array_size);

// The batch script of the job array.
std::string slurm_script(const SlurmRequest& request, int chunk);

// Writes DIR/slurm/sweep.sh and submits it; with `wait`, returns when the
// array has ended. Returns the job id. Throws ProcessError when sbatch
// cannot be run or refuses the array, FileError when the script cannot be
// written.
std::string submit_sweep(const SlurmRequest& request);

}  // namespace vendrel
