#include "sweep/slurm_job.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/stop_signal.h"
#include "document/atomic_file.h"
#include "sweep/command_output.h"
#include "sweep/process_error.h"

namespace vendrel {
namespace {

std::string jobs_file(const std::string& dir) {
    return dir + "/slurm/jobs";
}

// Sleeps, but wakes up for a stop signal.
void pause_for(std::chrono::milliseconds wait) {
    timespec t{};
    t.tv_sec = time_t(wait.count() / 1000);
    t.tv_nsec = long(wait.count() % 1000) * 1000000L;
    ::nanosleep(&t, nullptr);
}

}  // namespace

bool valid_job_id(const std::string& job) {
    return !job.empty() && job.size() <= 32 &&
           std::all_of(job.begin(), job.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> sweep_jobs(const std::string& dir) {
    std::ifstream in(jobs_file(dir));
    std::vector<std::string> jobs;
    std::string line;
    while (std::getline(in, line)) {
        if (valid_job_id(line)) {
            jobs.push_back(line);
        }
    }
    return jobs;
}

void record_sweep_job(const std::string& dir, const std::string& job) {
    std::filesystem::create_directories(dir + "/slurm");
    const std::string path = jobs_file(dir);
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    const std::string line = job + "\n";
    if (fd < 0 || ::write(fd, line.data(), line.size()) != ssize_t(line.size()) ||
        ::fsync(fd) != 0) {
        const std::string why = std::strerror(errno);
        if (fd >= 0) {
            ::close(fd);
        }
        throw FileError("cannot keep job " + job + " in " + path + ": " + why);
    }
    ::close(fd);
}

std::optional<SlurmJobTasks> slurm_job_tasks(const std::string& job) {
    if (!valid_job_id(job)) {
        throw ProcessError("\"" + job + "\" is not a Slurm job id");
    }
    const CommandOutput r = run_command("squeue -h -r -j " + job + " -o %T 2>&1");
    if (r.status != 0) {
        // A job Slurm no longer knows has ended long ago.
        if (r.out.find("Invalid job id") != std::string::npos) {
            return std::nullopt;
        }
        throw ProcessError("cannot ask squeue about job " + job + " (exit status " +
                           std::to_string(r.status) + ": " + first_line_of(r.out) + ")");
    }
    SlurmJobTasks tasks;
    std::istringstream lines(r.out);
    std::string state;
    bool any = false;
    while (lines >> state) {
        any = true;
        if (state == "PENDING" || state == "SUSPENDED" || state == "REQUEUED" ||
            state == "REQUEUE_HOLD" || state == "RESV_DEL_HOLD") {
            ++tasks.pending;
        } else {
            ++tasks.running;
        }
    }
    return any ? std::optional<SlurmJobTasks>(tasks) : std::nullopt;
}

void cancel_slurm_job(const std::string& job) {
    if (!valid_job_id(job)) {
        throw ProcessError("\"" + job + "\" is not a Slurm job id");
    }
    const CommandOutput r = run_command("scancel " + job + " 2>&1");
    if (r.status != 0) {
        throw ProcessError("scancel " + job + " failed (exit status " + std::to_string(r.status) +
                           ": " + first_line_of(r.out) + ")");
    }
}

SweepEnd wait_for_slurm_job(const std::string& job, SweepProgress progress) {
    catch_stop_signals();
    auto wait = std::chrono::milliseconds(250);
    std::optional<SlurmJobTasks> shown;
    for (;;) {
        if (stop_signal_received() != 0) {
            break;
        }
        std::optional<SlurmJobTasks> tasks;
        try {
            tasks = slurm_job_tasks(job);
        } catch (const ProcessError&) {
            // The controller may be busy or restarting: ask again later.
            tasks = shown ? shown : SlurmJobTasks{};
        }
        if (stop_signal_received() != 0) {
            break;
        }
        if (!tasks) {
            if (progress == SweepProgress::Bar && shown) {
                std::fputs("\r\033[K", stderr);
            }
            return SweepEnd::Finished;
        }
        if (progress != SweepProgress::None &&
            (!shown || shown->pending != tasks->pending || shown->running != tasks->running)) {
            std::fprintf(stderr, "%svendrel-sweep: job %s: %d tasks running, %d pending%s",
                         progress == SweepProgress::Bar ? "\r" : "", job.c_str(), tasks->running,
                         tasks->pending, progress == SweepProgress::Bar ? "\033[K" : "\n");
            std::fflush(stderr);
        }
        shown = tasks;
        // Soon after a short job ends, but no more than one squeue every
        // five seconds once it has run a while.
        pause_for(wait);
        wait = std::min(wait * 5 / 4, std::chrono::milliseconds(5000));
    }
    if (progress == SweepProgress::Bar && shown) {
        std::fputs("\r\033[K", stderr);
    }
    try {
        cancel_slurm_job(job);
        std::fprintf(stderr,
                     "vendrel-sweep: interrupted; cancelled job %s (scancel %s); complete runs "
                     "are kept, run again to go on\n",
                     job.c_str(), job.c_str());
    } catch (const ProcessError& e) {
        std::fprintf(stderr,
                     "vendrel-sweep: interrupted; job %s may still run, cancel it with scancel "
                     "%s: %s\n",
                     job.c_str(), job.c_str(), e.what());
    }
    return SweepEnd::Interrupted;
}

}  // namespace vendrel
