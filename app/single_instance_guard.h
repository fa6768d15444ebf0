#pragma once
// One running copy per machine: an exclusive lock on a file named after
// "VendrelApp_Mutex" in the system's temporary folder. The operating system
// releases the lock when the process ends, however it ends.

#include <QString>

namespace vendrel {

class SingleInstanceGuard {
  public:
    enum class Outcome { Acquired, HeldElsewhere, Unavailable };

    // The lock file: $VENDREL_INSTANCE_LOCK when set, else
    // <temp>/VendrelApp_Mutex.lock.
    static QString defaultLockPath();

    SingleInstanceGuard() = default;
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    Outcome acquire(const QString& path);
    void release();

  private:
    int fd_ = -1;
};

}  // namespace vendrel
