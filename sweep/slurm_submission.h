#pragma once
// A sweep as one Slurm job array: task i runs rows i*K .. i*K+K-1 of the
// manifest copied into DIR, by the same code as a local sweep
// (`vendrel-sweep --task DIR --chunk K`, the task picked by
// SLURM_ARRAY_TASK_ID). The array is kept within the cluster's MaxArraySize
// (from `scontrol show config`): K is raised to fit when not given, and a
// given K that does not fit is refused. Only the tasks that hold rows still
// to run are submitted (`--array=3,6-8`), so a rerun resubmits what is
// missing. Each submitted job's id is kept, one a line, in DIR/slurm/jobs.

#include <optional>
#include <string>
#include <vector>

namespace vendrel {

struct SlurmRequest {
    std::string dir;      // absolute; shared with the nodes
    std::string program;  // this vendrel-sweep, absolute
    int rows = 0;
    std::vector<int> rows_to_run;  // indices of the rows still to run; empty: all
    int chunk = 0;                 // 0: choose
    int max_running = 0;           // the array's %N; 0: no limit
    std::string partition;
    std::string time;
    std::string mem;
    std::string account;
    std::string qos;
    std::string job_name;  // empty: vendrel-sweep
    std::vector<std::string> sbatch_args;
    int cpus_per_task = 1;
    bool image = false;
    bool netcdf = false;
    bool allow_early_end = false;
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

// The array tasks that hold the given rows, K rows a task, in order.
std::vector<int> tasks_of_rows(const std::vector<int>& rows, int chunk);

// Task ids as sbatch's --array takes them: "0-11", "3,6-8".
std::string array_ranges(const std::vector<int>& tasks);

// Refuses (UsageError) a first-class setting given again through an
// --sbatch-arg (--partition with --sbatch-arg=-p…, --time with --time=…),
// an --sbatch-arg that sets the array the sweep makes, and a setting that
// cannot stand on an #SBATCH line (spaces, control characters).
void check_slurm_settings(const SlurmRequest& request);

// The largest CPU count and memory (MB) of a node in the partition (the
// default one when empty), from sinfo; nullopt when sinfo cannot say.
struct SlurmNodeLimits {
    int cpus = 0;
    long long memory_mb = 0;
};
std::optional<SlurmNodeLimits> slurm_node_limits(const std::string& partition);

// Memory as sbatch's --mem takes it ("4000", "500M", "4G", "1T") in MB,
// or nullopt.
std::optional<long long> slurm_memory_mb(const std::string& text);

// Refuses (UsageError) a request no node can ever run: more CPUs per task
// (`cpus_reason` says where the count comes from) or more memory than the
// largest node has.
void check_slurm_resources(const SlurmRequest& request, const SlurmNodeLimits& limits,
                           const std::string& cpus_reason);

// Every check above before a submission: the settings, sbatch on PATH
// (ProcessError; only when `submitting`), and the partition's nodes where
// sinfo can tell.
void check_slurm_request(const SlurmRequest& request, const std::string& cpus_reason,
                         bool submitting);

struct SlurmScript {
    std::string path;  // DIR/slurm/sweep.sh
    std::string text;
    int chunk = 1;
    std::vector<int> tasks;
};

// The batch script of the job array for the given tasks.
std::string slurm_script(const SlurmRequest& request, int chunk, const std::vector<int>& tasks);

// Chooses K (within `max_array_size` where known) and writes
// DIR/slurm/sweep.sh for the tasks that hold rows to run.
SlurmScript write_slurm_script(const SlurmRequest& request, std::optional<int> max_array_size);

// Submits the script and keeps the job id in DIR/slurm/jobs; returns it at
// once (the job runs on). Throws ProcessError when sbatch cannot be run or
// refuses the array.
std::string submit_slurm_script(const SlurmRequest& request, const SlurmScript& script);

// Both of the above, with the cluster's MaxArraySize.
std::string submit_sweep(const SlurmRequest& request);

}  // namespace vendrel
