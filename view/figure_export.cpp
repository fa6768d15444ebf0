#include "view/figure_export.h"

#include <QBuffer>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <limits>

#include "document/atomic_file.h"
#include "document/file_suffix.h"
#include "view/section_renderer.h"

namespace vendrel {

namespace {

std::string size_text(QSize size) {
    return std::to_string(size.width()) + " x " + std::to_string(size.height());
}

QByteArray svg_figure(const FigureRequest& request, const FigureDrawing& draw) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(request.size);
    svg.setViewBox(QRect(QPoint(0, 0), request.size));
    svg.setResolution(96);
    svg.setTitle(QString::fromStdString(kVersionText));
    QPainter painter;
    if (!painter.begin(&svg)) {
        throw FigureError("the SVG figure could not be drawn");
    }
    draw(painter, request.size, 1);
    painter.end();
    return bytes;
}

QByteArray pdf_figure(const FigureRequest& request, const FigureDrawing& draw) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setResolution(96);
    pdf.setCreator(QString::fromStdString(kVersionText));
    const QSizeF points(request.size.width() * 72.0 / 96, request.size.height() * 72.0 / 96);
    pdf.setPageLayout(
        QPageLayout(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch),
                    QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (!painter.begin(&pdf)) {
        throw FigureError("the PDF figure could not be drawn");
    }
    draw(painter, request.size, 1);
    if (!painter.end()) {
        throw FigureError("the PDF figure could not be drawn");
    }
    return bytes;
}

QByteArray png_figure(const FigureRequest& request, const FigureDrawing& draw) {
    const QSize pixels = raster_size(request);
    QImage image(pixels, QImage::Format_RGB32);
    if (image.isNull()) {
        throw FigureError("no memory for a figure of " + size_text(pixels) + " pixels");
    }
    const double scale = request.dpi / 96;
    image.setDotsPerMeterX(int(std::lround(request.dpi / 0.0254)));
    image.setDotsPerMeterY(int(std::lround(request.dpi / 0.0254)));
    {
        QPainter painter(&image);
        painter.scale(double(pixels.width()) / request.size.width(),
                      double(pixels.height()) / request.size.height());
        draw(painter, request.size, scale);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "png")) {
        throw FigureError("the PNG figure could not be encoded");
    }
    return bytes;
}

}  // namespace

std::optional<FigureFormat> figure_format_of(const std::string& path) {
    if (has_file_suffix(path, ".svg")) {
        return FigureFormat::Svg;
    }
    if (has_file_suffix(path, ".pdf")) {
        return FigureFormat::Pdf;
    }
    if (has_file_suffix(path, ".png")) {
        return FigureFormat::Png;
    }
    return std::nullopt;
}

QSize raster_size(const FigureRequest& request) {
    const double scale = request.dpi / 96;
    auto side = [scale](int n) {
        const double v = std::round(n * scale);
        return v >= 1 && v <= 2e9 ? int(v) : (v < 1 ? 1 : std::numeric_limits<int>::max());
    };
    return QSize(side(request.size.width()), side(request.size.height()));
}

void check_figure_request(FigureFormat format, const FigureRequest& request) {
    if (request.size.width() < 1 || request.size.height() < 1) {
        throw FigureError("a figure needs a positive size, not " + size_text(request.size));
    }
    if (!std::isfinite(request.dpi) || request.dpi <= 0) {
        throw FigureError("a figure needs a positive resolution in dots per inch");
    }
    if (format != FigureFormat::Png) {
        return;
    }
    const QSize pixels = raster_size(request);
    const double count = double(pixels.width()) * double(pixels.height());
    if (count > double(kMaxRasterPixels)) {
        throw FigureError("a figure of " + size_text(pixels) + " pixels (" +
                          std::to_string(std::llround(count / 1e6)) +
                          " megapixels) is larger than the limit of " +
                          std::to_string(kMaxRasterPixels / 1'000'000) + " megapixels");
    }
}

QByteArray encode_drawing(FigureFormat format, const FigureRequest& request,
                          const FigureDrawing& draw) {
    check_figure_request(format, request);
    switch (format) {
        case FigureFormat::Svg:
            return svg_figure(request, draw);
        case FigureFormat::Pdf:
            return pdf_figure(request, draw);
        case FigureFormat::Png:
            break;
    }
    return png_figure(request, draw);
}

QByteArray encode_figure(const SectionSnapshot& snapshot, FigureFormat format,
                         const FigureRequest& request) {
    return encode_drawing(format, request, [&](QPainter& painter, QSize size, double device_scale) {
        ReportOptions options = request.report;
        options.device_scale = device_scale;
        render_report_figure(painter, snapshot, size, options);
    });
}

void write_figure(AtomicFile& out, const SectionSnapshot& snapshot, FigureFormat format,
                  const FigureRequest& request) {
    const QByteArray bytes = encode_figure(snapshot, format, request);
    out.write(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

void save_figure(const std::string& path, const SectionSnapshot& snapshot,
                 const FigureRequest& request) {
    const std::optional<FigureFormat> format = figure_format_of(path);
    if (!format) {
        throw FigureError("cannot save " + path + ": a figure is saved as .svg, .pdf or .png");
    }
    // Drawn before the file is opened, so a refused figure touches nothing.
    const QByteArray bytes = encode_figure(snapshot, *format, request);
    write_file_atomically(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

}  // namespace vendrel
