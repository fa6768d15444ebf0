#include "app/instance_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

namespace vendrel {
namespace {

// Empty when `folder` is a folder of this user's that no one else may
// enter, else why not.
QString refusal(const QString& folder) {
    struct stat info {};
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0) {
        return QString("cannot use the folder %1: %2").arg(folder, std::strerror(errno));
    }
    if (S_ISLNK(info.st_mode)) {
        return QString("the folder %1 is a symbolic link").arg(folder);
    }
    if (!S_ISDIR(info.st_mode)) {
        return QString("%1 is not a folder").arg(folder);
    }
    if (info.st_uid != ::geteuid()) {
        return QString("the folder %1 belongs to another user").arg(folder);
    }
    if ((info.st_mode & 077) != 0) {
        return QString("the folder %1 may be entered by other users (mode %2)")
            .arg(folder)
            .arg(info.st_mode & 07777, 4, 8, QChar('0'));
    }
    return {};
}

}  // namespace

InstanceFolder InstanceFolder::locate() {
    return locate(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath());
}

InstanceFolder InstanceFolder::locate(const QString& runtime, const QString& temp) {
    InstanceFolder folder;
    struct stat info {};
    if (!runtime.isEmpty() && ::lstat(QFile::encodeName(runtime).constData(), &info) == 0) {
        folder.path_ = runtime;
    } else {
        folder.path_ = temp + "/vendrel-" + QString::number(::geteuid());
        if (::mkdir(QFile::encodeName(folder.path_).constData(), 0700) != 0 && errno != EEXIST) {
            folder.error_ =
                QString("cannot make the folder %1: %2").arg(folder.path_, std::strerror(errno));
            return folder;
        }
    }
    folder.error_ = refusal(folder.path_);
    return folder;
}

}  // namespace vendrel
