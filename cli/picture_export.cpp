#include "cli/picture_export.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include "document/atomic_file.h"
#include "view/bmp_file.h"
#include "view/print_path.h"
#include "view/section_renderer.h"

namespace vendrel {

void save_section_picture(const SectionSnapshot& snapshot, int width, int height,
                          const std::string& path) {
    QImage image(width, height, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        render_section(painter, snapshot, NavigationState{}, image.size());
    }
    const QByteArray suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower().toLatin1();
    QByteArray bytes;
    if (suffix == "bmp") {
        bytes = encode_bmp32(image);  // the program's own 32-bit format
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, suffix.isEmpty() ? "png" : suffix.constData())) {
            throw FileError("cannot save " + path + ": no picture format for the suffix \"" +
                            suffix.toStdString() + "\"");
        }
    }
    write_file_atomically(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

void save_section_pdf(const SectionSnapshot& snapshot, int width, int height,
                      const std::string& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!print_section_to_pdf(&buffer, snapshot, NavigationState{}, QSize(width, height))) {
        throw FileError("cannot save " + path + ": the page could not be drawn");
    }
    buffer.close();
    write_file_atomically(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

}  // namespace vendrel
