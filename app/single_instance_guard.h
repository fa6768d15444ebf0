#pragma once
// One running copy per user: an exclusive lock on "VendrelApp_Mutex.lock" in
// the user's own instance folder (instance_folder.h). The operating system
// releases the lock when the process ends, however it ends.
//
// The lock file is opened without following a link and must be a regular
// file of this user's: a link or another user's file in its place is
// refused, so a name chosen with VENDREL_INSTANCE_LOCK in a shared folder
// can neither be redirected nor held by someone else.

#include <QString>

namespace vendrel {

class SingleInstanceGuard {
  public:
    // Unavailable: the lock cannot be taken for a reason that threatens
    // nothing (a file system without locks): the program goes on without
    // it. Refused: a link or another user's file in the lock's place.
    enum class Outcome { Acquired, HeldElsewhere, Unavailable, Refused };

    // The lock file: $VENDREL_INSTANCE_LOCK when set, else
    // <folder>/VendrelApp_Mutex.lock.
    static QString defaultLockPath(const QString& folder);

    SingleInstanceGuard() = default;
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    Outcome acquire(const QString& path);
    void release();
    // What went wrong at the last acquire that was not Acquired or
    // HeldElsewhere, one line naming the file.
    QString error() const { return error_; }

  private:
    int fd_ = -1;
    QString error_;
};

}  // namespace vendrel
