#include "cli/raw_argument.h"

namespace vendrel {

QString raw_argument(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::string raw_bytes(const QString& argument) {
    return argument.toLatin1().toStdString();
}

}  // namespace vendrel
