#pragma once
// One sweep per folder. A local sweep holds a lock on DIR/sweep.lock for
// as long as it runs, a Slurm sweep for as long as it submits or waits;
// after that the folder stays taken while the last job kept in
// DIR/slurm/jobs is queued or running. The lock is flock(2) on a regular
// file of the user's own in DIR, opened without following a link, so it
// names the sweep's own folder and nothing another user could plant; it is
// let go when the process ends, however it ends. The file holds the pid and
// host of the holder, for the refusal's line; only the user may open it
// (mode 0600), since anyone who can read a file can flock it.

#include <stdexcept>
#include <string>

namespace vendrel {

// The folder is taken: another vendrel-sweep works in it, or its Slurm job
// is still active. Exit status 3: nothing was done, try again later.
class SweepBusy : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kSweepLockName = "sweep.lock";

class SweepLock {
  public:
    // Takes the lock of an existing folder DIR. Throws SweepBusy when
    // another process holds it, FileError when the lock file cannot be
    // opened or is not the user's own regular file.
    explicit SweepLock(const std::string& dir);
    ~SweepLock();
    SweepLock(SweepLock&& other) noexcept;
    SweepLock& operator=(SweepLock&&) = delete;
    SweepLock(const SweepLock&) = delete;
    SweepLock& operator=(const SweepLock&) = delete;

  private:
    int fd_ = -1;
};

// What the folder is claimed for, which the refusal's advice follows.
enum class SweepClaim { Run, Collect };

// Takes the lock of DIR and checks that the last Slurm job the folder
// keeps has ended; SweepBusy when it is still queued or running (the line
// names the job), ProcessError when squeue cannot tell.
SweepLock claim_sweep_folder(const std::string& dir, SweepClaim purpose = SweepClaim::Run);

}  // namespace vendrel
