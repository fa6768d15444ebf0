#include "app/recent_files.h"

#include <QFileInfo>
#include <QSettings>

namespace vendrel {
namespace {

const char* const kSection = "Recent File List";

QString key(int k) {
    return QString("File%1").arg(k);
}

}  // namespace

RecentFiles::RecentFiles() {
    QSettings settings;
    settings.beginGroup(kSection);
    for (int k = 1; k <= kMaxEntries; ++k) {
        const QString path = settings.value(key(k)).toString();
        if (!path.isEmpty()) {
            entries_.append(path);
        }
    }
}

void RecentFiles::add(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    entries_.removeAll(absolute);
    entries_.prepend(absolute);
    while (entries_.size() > kMaxEntries) {
        entries_.removeLast();
    }
    store();
}

void RecentFiles::remove(const QString& path) {
    entries_.removeAll(path);
    store();
}

void RecentFiles::store() const {
    QSettings settings;
    settings.beginGroup(kSection);
    for (int k = 1; k <= kMaxEntries; ++k) {
        if (k <= entries_.size()) {
            settings.setValue(key(k), entries_[k - 1]);
        } else {
            settings.remove(key(k));
        }
    }
    settings.sync();
}

}  // namespace vendrel
