#include "app/user_guide.h"

#include <QDir>
#include <QFileInfo>

namespace vendrel {

QString findUserGuide(const QString& programFolder) {
    const QString candidates[] = {
        QDir(programFolder).filePath("../share/vendrel/guide/index.html"),
        QString(VENDREL_SOURCE_GUIDE),
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile()) {
            return QFileInfo(candidate).absoluteFilePath();
        }
    }
    return QString();
}

}  // namespace vendrel
