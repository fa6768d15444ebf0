#include "app/single_instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>

namespace vendrel {

QString SingleInstanceGuard::defaultLockPath(const QString& folder) {
    const QString configured = qEnvironmentVariable("VENDREL_INSTANCE_LOCK");
    return configured.isEmpty() ? folder + "/VendrelApp_Mutex.lock" : configured;
}

SingleInstanceGuard::~SingleInstanceGuard() {
    release();
}

SingleInstanceGuard::Outcome SingleInstanceGuard::acquire(const QString& path) {
    release();
    error_.clear();
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int error = errno;
        if (error == ELOOP) {
            error_ = QString("the lock file %1 is a symbolic link").arg(path);
            return Outcome::Refused;
        }
        error_ = QString("cannot open the lock file %1: %2").arg(path, std::strerror(error));
        return error == EACCES || error == EPERM ? Outcome::Refused : Outcome::Unavailable;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        ::close(fd);
        error_ = S_ISREG(info.st_mode)
                     ? QString("the lock file %1 belongs to another user").arg(path)
                     : QString("the lock file %1 is not a regular file").arg(path);
        return Outcome::Refused;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            return Outcome::HeldElsewhere;
        }
        error_ = QString("cannot lock %1: %2").arg(path, std::strerror(error));
        return Outcome::Unavailable;
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
