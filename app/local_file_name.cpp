#include "app/local_file_name.h"

#include <QDir>
#include <filesystem>
#include <system_error>

namespace vendrel {
namespace {

constexpr char16_t kEscapeBase = 0xdc00;

// The length of the valid UTF-8 sequence at the start of `bytes`; 0 when
// the bytes are not one (a stray continuation byte, a sequence cut short,
// an overlong form, a surrogate, beyond U+10FFFF).
std::size_t utf8_length(std::string_view bytes) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t code = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        code = lead & 0x1f;
        min = 0x80;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        code = lead & 0x0f;
        min = 0x800;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        code = lead & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xc0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(k) & 0x3f);
    }
    if (code < min || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) {
        return 0;
    }
    return length;
}

}  // namespace

QString localFileName(std::string_view bytes) {
    QString name;
    std::size_t k = 0;
    while (k < bytes.size()) {
        const std::size_t length = utf8_length(bytes.substr(k));
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
