#include "cli/picture_export.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include "document/file_error.h"
#include "view/bmp_file.h"
#include "view/print_path.h"
#include "view/section_renderer.h"

namespace vendrel {

QByteArray section_picture(const SectionSnapshot& snapshot, int width, int height,
                           const std::string& path) {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        throw FileError("cannot save " + path + ": not enough memory for a picture of " +
                        std::to_string(width) + "x" + std::to_string(height) + " pixels");
    }
    {
        QPainter painter;
        if (!painter.begin(&image)) {
            throw FileError("cannot save " + path + ": the picture could not be drawn");
        }
        render_section(painter, snapshot, NavigationState{}, image.size());
    }
    const QByteArray suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower().toLatin1();
    if (suffix == "bmp") {
        return encode_bmp32(image);  // the program's own 32-bit format
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, suffix.isEmpty() ? "png" : suffix.constData())) {
        throw FileError("cannot save " + path + ": the picture could not be encoded as \"" +
                        suffix.toStdString() + "\"");
    }
    return bytes;
}

QByteArray section_pdf(const SectionSnapshot& snapshot, int width, int height,
                       const std::string& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!print_section_to_pdf(&buffer, snapshot, NavigationState{}, QSize(width, height))) {
        throw FileError("cannot save " + path + ": the page could not be drawn");
    }
    buffer.close();
    return bytes;
}

}  // namespace vendrel
