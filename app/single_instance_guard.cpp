#include "app/single_instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <cerrno>

namespace vendrel {

QString SingleInstanceGuard::defaultLockPath() {
    const QString configured = qEnvironmentVariable("VENDREL_INSTANCE_LOCK");
    return configured.isEmpty() ? QDir::tempPath() + "/VendrelApp_Mutex.lock" : configured;
}

SingleInstanceGuard::~SingleInstanceGuard() {
    release();
}

SingleInstanceGuard::Outcome SingleInstanceGuard::acquire(const QString& path) {
    release();
    const QByteArray name = QFile::encodeName(path);
    int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EACCES) {
        // Another user's lock file: a read-only descriptor takes the lock too.
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) {
        return Outcome::Unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? Outcome::HeldElsewhere : Outcome::Unavailable;
    }
    fd_ = fd;
    return Outcome::Acquired;
}

void SingleInstanceGuard::release() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace vendrel
