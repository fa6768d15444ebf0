#include "sweep/plot_files.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <string_view>

#include "document/atomic_file.h"

namespace vendrel {

void save_plot_files(QSize size, const QString& title, const std::function<void(QPainter&)>& draw,
                     const std::string& png, const std::string& svg) {
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) {
        throw FileError("cannot save " + png + ": not enough memory");
    }
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter);
    }
    QByteArray png_bytes;
    {
        QBuffer buffer(&png_bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "png");
    }
    QByteArray svg_bytes;
    {
        QBuffer buffer(&svg_bytes);
        buffer.open(QIODevice::WriteOnly);
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(title);
        QPainter painter(&generator);
        draw(painter);
    }
    write_file_atomically(png,
                          std::string_view(png_bytes.constData(), std::size_t(png_bytes.size())));
    write_file_atomically(svg,
                          std::string_view(svg_bytes.constData(), std::size_t(svg_bytes.size())));
}

}  // namespace vendrel
