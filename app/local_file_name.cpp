#include "app/local_file_name.h"

#include <QDir>
#include <filesystem>
#include <system_error>

#include "document/utf8_sequence.h"

namespace vendrel {
namespace {

constexpr char16_t kEscapeBase = 0xdc00;

}  // namespace

QString localFileName(std::string_view bytes) {
    QString name;
    std::size_t k = 0;
    while (k < bytes.size()) {
        char32_t code = 0;
        const std::size_t length = utf8_sequence(bytes.substr(k), code);
        if (length == 0) {
            name += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[k])));
            ++k;
        } else {
            name += QString::fromUtf8(bytes.data() + k, qsizetype(length));
            k += length;
        }
    }
    return name;
}

std::string localFileNameBytes(const QString& name) {
    std::string bytes;
    qsizetype start = 0;  // of the run of characters not escaped
    const auto flush = [&](qsizetype end) {
        if (end > start) {
            bytes += name.mid(start, end - start).toStdString();
        }
    };
    for (qsizetype k = 0; k < name.size(); ++k) {
        const char16_t c = name[k].unicode();
        if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xff &&
            (k == 0 || !name[k - 1].isHighSurrogate())) {
            flush(k);
            bytes += char(c - kEscapeBase);
            start = k + 1;
        }
    }
    flush(name.size());
    return bytes;
}

QString absoluteLocalFileName(const QString& name) {
    if (name.isEmpty() || name.startsWith('/')) {
        return name.isEmpty() ? name : QDir::cleanPath(name);
    }
    std::error_code error;
    const std::string folder = std::filesystem::current_path(error).string();
    return QDir::cleanPath(localFileName(folder) + "/" + name);
}

}  // namespace vendrel
