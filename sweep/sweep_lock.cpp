#include "sweep/sweep_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "document/atomic_file.h"
#include "document/printable_text.h"
#include "sweep/slurm_job.h"

namespace vendrel {
namespace {

std::string holder(int fd) {
    char text[300] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    std::string line(text, n > 0 ? std::size_t(n) : 0);
    line = line.substr(0, line.find('\n'));
    return line.empty() ? "" : " (" + printable_text(line) + ")";
}

}  // namespace

SweepLock::SweepLock(const std::string& dir) {
    const std::string path = dir + "/" + kSweepLockName;
    // Only the user may open it: flock needs no more than read access, so a
    // lock others could read would let them hold it.
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd_ < 0) {
        throw FileError("cannot open the lock " + path + ": " +
                        (errno == ELOOP ? std::string("it is a symbolic link")
                                        : std::string(std::strerror(errno))));
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        ::close(fd_);
        fd_ = -1;
        throw FileError("the lock " + path + " is not a regular file of this user's");
    }
    if ((info.st_mode & 077) != 0 && ::fchmod(fd_, 0600) != 0) {
        const int error = errno;
        ::close(fd_);
        fd_ = -1;
        throw FileError("cannot close the lock " + path + " to others: " + std::strerror(error));
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        const std::string who = holder(fd_);
        ::close(fd_);
        fd_ = -1;
        if (error == EWOULDBLOCK) {
            throw SweepBusy(dir + ": another vendrel-sweep works in this folder" + who +
                            "; one sweep per folder");
        }
        throw FileError("cannot lock " + path + ": " + std::strerror(error));
    }
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const std::string line = "pid " + std::to_string(::getpid()) + " on " + host + "\n";
    if (::ftruncate(fd_, 0) == 0) {
        [[maybe_unused]] const ssize_t n = ::pwrite(fd_, line.data(), line.size(), 0);
    }
}

SweepLock::~SweepLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

SweepLock::SweepLock(SweepLock&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

SweepLock claim_sweep_folder(const std::string& dir, SweepClaim purpose) {
    SweepLock lock(dir);
    const std::vector<std::string> jobs = sweep_jobs(dir);
    if (!jobs.empty()) {
        const std::string& job = jobs.back();
        if (const auto tasks = slurm_job_tasks(job)) {
            throw SweepBusy(dir + ": its Slurm job " + job + " is still active (" +
                            std::to_string(tasks->running) + " tasks running, " +
                            std::to_string(tasks->pending) + " pending); " +
                            (purpose == SweepClaim::Collect
                                 ? "collect once it has ended"
                                 : "wait for it to end or cancel it with scancel " + job));
        }
    }
    return lock;
}

}  // namespace vendrel
