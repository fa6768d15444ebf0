#pragma once
// Following a sweep's Slurm job once it is submitted: the ids kept in
// DIR/slurm/jobs, whether a job is still queued or running (squeue), the
// wait for it to end and its cancelling (scancel).

#include <optional>
#include <string>
#include <vector>

#include "sweep/sweep_runner.h"

namespace vendrel {

// The job ids kept in DIR/slurm/jobs, oldest first.
std::vector<std::string> sweep_jobs(const std::string& dir);

// Adds a job id to DIR/slurm/jobs. Throws FileError.
void record_sweep_job(const std::string& dir, const std::string& job);

// True for what sbatch --parsable prints as a job id.
bool valid_job_id(const std::string& job);

struct SlurmJobTasks {
    int pending = 0;
    int running = 0;  // running, completing and the like
};

// The job's tasks still queued or running, or nullopt when the job has
// ended (or Slurm has forgotten it). Throws ProcessError when squeue
// cannot tell.
std::optional<SlurmJobTasks> slurm_job_tasks(const std::string& job);

// Waits until the job has ended, showing how many tasks wait and run. A
// stop signal (Ctrl-C, SIGTERM) cancels the job with scancel, says so on
// stderr and returns Interrupted.
SweepEnd wait_for_slurm_job(const std::string& job, SweepProgress progress);

// scancel JOB. Throws ProcessError when scancel fails.
void cancel_slurm_job(const std::string& job);

}  // namespace vendrel
