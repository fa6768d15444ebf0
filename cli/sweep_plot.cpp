#include "cli/sweep_plot.h"

#include <QBuffer>
#include <QImage>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

#include "document/atomic_file.h"

namespace vendrel {
namespace {

constexpr int kCellWidth = 260;
constexpr int kCellHeight = 190;
constexpr int kMargin = 12;

struct Range {
    double low = 0;
    double high = 1;
};

Range range_of(const std::vector<std::optional<double>>& values) {
    bool any = false;
    Range r;
    for (const auto& v : values) {
        if (!v) {
            continue;
        }
        r.low = any ? std::min(r.low, *v) : *v;
        r.high = any ? std::max(r.high, *v) : *v;
        any = true;
    }
    if (!any) {
        return Range{};
    }
    if (r.high == r.low) {
        const double pad = r.low == 0 ? 1 : std::abs(r.low) * 0.05;
        r.low -= pad;
        r.high += pad;
    }
    return r;
}

QString number(double v) {
    return QString::number(v, 'g', 4);
}

void draw_cell(QPainter& painter, const QRect& cell, const PlotSeries& x, const PlotSeries& y) {
    const QFontMetrics metrics = painter.fontMetrics();
    const int text = metrics.height();
    const QRect plot =
        cell.adjusted(kMargin + 4 * text, kMargin + text + 4, -kMargin, -(kMargin + 2 * text + 4));
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    painter.drawText(QRect(cell.left(), cell.top() + kMargin / 2, cell.width(), text),
                     Qt::AlignHCenter, y.name + " against " + x.name);
    const Range rx = range_of(x.values);
    const Range ry = range_of(y.values);
    painter.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), text), Qt::AlignLeft,
                     number(rx.low));
    painter.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), text), Qt::AlignRight,
                     number(rx.high));
    painter.drawText(QRect(plot.left(), plot.bottom() + 2 + text, plot.width(), text),
                     Qt::AlignHCenter, x.name);
    painter.drawText(QRect(cell.left(), plot.top(), 4 * text + kMargin - 4, text), Qt::AlignRight,
                     number(ry.high));
    painter.drawText(QRect(cell.left(), plot.bottom() - text, 4 * text + kMargin - 4, text),
                     Qt::AlignRight, number(ry.low));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 255));
    for (std::size_t i = 0; i < x.values.size() && i < y.values.size(); ++i) {
        if (!x.values[i] || !y.values[i]) {
            continue;
        }
        const double fx = (*x.values[i] - rx.low) / (rx.high - rx.low);
        const double fy = (*y.values[i] - ry.low) / (ry.high - ry.low);
        const QPointF p(plot.left() + 4 + fx * (plot.width() - 8),
                        plot.bottom() - 4 - fy * (plot.height() - 8));
        painter.drawEllipse(p, 3, 3);
    }
}

}  // namespace

QSize sweep_plot_size(const SweepPlotData& data) {
    const int columns = std::max<int>(1, int(data.parameters.size()));
    const int rows = std::max<int>(1, int(data.metrics.size()));
    return QSize(columns * kCellWidth, rows * kCellHeight);
}

void draw_sweep_plots(QPainter& painter, const SweepPlotData& data) {
    const QSize size = sweep_plot_size(data);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    painter.setPen(Qt::black);
    if (data.parameters.empty()) {
        painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter,
                         "no parameter varies in number across the runs");
        return;
    }
    for (std::size_t r = 0; r < data.metrics.size(); ++r) {
        for (std::size_t c = 0; c < data.parameters.size(); ++c) {
            const QRect cell(int(c) * kCellWidth, int(r) * kCellHeight, kCellWidth, kCellHeight);
            draw_cell(painter, cell, data.parameters[c], data.metrics[r]);
        }
    }
}

void save_sweep_plots(const SweepPlotData& data, const std::string& png, const std::string& svg) {
    const QSize size = sweep_plot_size(data);
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) {
        throw FileError("cannot save " + png + ": not enough memory");
    }
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        draw_sweep_plots(painter, data);
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
        generator.setTitle("Sweep summary");
        QPainter painter(&generator);
        draw_sweep_plots(painter, data);
    }
    write_file_atomically(png,
                          std::string_view(png_bytes.constData(), std::size_t(png_bytes.size())));
    write_file_atomically(svg,
                          std::string_view(svg_bytes.constData(), std::size_t(svg_bytes.size())));
}

}  // namespace vendrel
