#include "sweep/sweep_plot.h"

#include <QFont>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>

#include "sweep/plot_files.h"
#include "view/figure_axes.h"

namespace vendrel {
namespace {

constexpr int kCellWidth = 300;
constexpr int kCellHeight = 220;
constexpr int kMargin = 12;
constexpr int kTickLength = 4;

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
    // Values equal but for rounding (a mean of equal porosities) plot as
    // one value.
    if (r.high - r.low <= 1e-9 * std::max(std::abs(r.low), std::abs(r.high))) {
        r.low = r.high = (r.low + r.high) / 2;
        const double pad = r.low == 0 ? 1 : std::abs(r.low) * 0.05;
        r.low -= pad;
        r.high += pad;
    }
    return r;
}

// Round ticks (1, 2 or 5 times a power of ten) inside the range, three to
// six of them, and their step.
std::vector<double> ticks_of(const Range& r, double& step) {
    return round_ticks(r.low, r.high, step);
}

QFont plot_font() {
    QFont font("Arial");
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    return font;
}

// A tick's number with as many decimals as the step needs, so that
// neighbouring ticks never read alike; whole numbers whole.
QString tick_label(double v, double step) {
    const int decimals = int(std::ceil(-std::log10(step) - 1e-9));
    if (decimals <= 0 || decimals > 6) {
        return sweep_plot_number(v);
    }
    return QString::number(v, 'f', decimals);
}

QString title_of(const PlotSeries& s) {
    return s.unit.isEmpty() ? s.name : s.name + " (" + s.unit + ")";
}

// Room left of a plot for the tick numbers, in pixels.
constexpr int kNumbersWidth = 58;

void draw_cell(QPainter& painter, const QRect& cell, const PlotSeries& x, const PlotSeries& y) {
    const QFontMetrics metrics(painter.font(), painter.device());
    const int text = metrics.height();
    const QRect plot = cell.adjusted(kMargin + text + kNumbersWidth, kMargin, -kMargin - text,
                                     -(kMargin + 2 * text + kTickLength + 4));
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    const Range rx = range_of(x.values);
    const Range ry = range_of(y.values);
    // A margin of 4 pixels inside the frame on every side.
    auto px = [&](double v) {
        return plot.left() + 4 + (v - rx.low) / (rx.high - rx.low) * (plot.width() - 8);
    };
    auto py = [&](double v) {
        return plot.bottom() - 4 - (v - ry.low) / (ry.high - ry.low) * (plot.height() - 8);
    };
    double step = 0;
    for (double v : ticks_of(rx, step)) {
        const double at = px(v);
        painter.drawLine(QPointF(at, plot.bottom()), QPointF(at, plot.bottom() + kTickLength));
        const QString label = tick_label(v, step);
        const double width = metrics.horizontalAdvance(label);
        painter.drawText(QPointF(at - width / 2, plot.bottom() + kTickLength + metrics.ascent()),
                         label);
    }
    for (double v : ticks_of(ry, step)) {
        const double at = py(v);
        painter.drawLine(QPointF(plot.left() - kTickLength, at), QPointF(plot.left(), at));
        const QString label = tick_label(v, step);
        const double width = metrics.horizontalAdvance(label);
        painter.drawText(
            QPointF(plot.left() - kTickLength - 2 - width, at + metrics.ascent() / 2.5), label);
    }
    const QString x_title = title_of(x);
    painter.drawText(QPointF(plot.center().x() - metrics.horizontalAdvance(x_title) / 2.0,
                             cell.bottom() - kMargin - metrics.descent()),
                     x_title);
    painter.save();
    const QString y_title = title_of(y);
    painter.translate(cell.left() + kMargin + metrics.ascent(), plot.center().y());
    painter.rotate(-90);
    painter.drawText(QPointF(-metrics.horizontalAdvance(y_title) / 2.0, 0), y_title);
    painter.restore();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 255));
    for (std::size_t i = 0; i < x.values.size() && i < y.values.size(); ++i) {
        if (!x.values[i] || !y.values[i]) {
            continue;
        }
        painter.drawEllipse(QPointF(px(*x.values[i]), py(*y.values[i])), 3, 3);
    }
}

// The cell size that holds every title: the x titles across, the y titles
// (turned upright) down.
QSize cell_size(const SweepPlotData& data) {
    const QFontMetrics metrics(plot_font());
    const int text = metrics.height();
    int width = kCellWidth, height = kCellHeight;
    for (const PlotSeries& p : data.parameters) {
        width = std::max(
            width, metrics.horizontalAdvance(title_of(p)) + 2 * kMargin + text + kNumbersWidth + 8);
    }
    for (const PlotSeries& m : data.metrics) {
        height =
            std::max(height, metrics.horizontalAdvance(title_of(m)) + 3 * kMargin + 2 * text + 12);
    }
    return QSize(width, height);
}

}  // namespace

QString sweep_plot_number(double v) {
    if (v == std::trunc(v) && std::fabs(v) < 1e15) {
        return QString::number(v, 'f', 0);
    }
    return QString::number(v, 'g', 4);
}

QSize sweep_plot_size(const SweepPlotData& data) {
    const int columns = std::max<int>(1, int(data.parameters.size()));
    const int rows = std::max<int>(1, int(data.metrics.size()));
    const QSize cell = cell_size(data);
    return QSize(columns * cell.width(), rows * cell.height());
}

void draw_sweep_plots(QPainter& painter, const SweepPlotData& data) {
    const QSize size = sweep_plot_size(data);
    const QSize cell_extent = cell_size(data);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    painter.setPen(Qt::black);
    painter.setFont(plot_font());
    if (data.parameters.empty()) {
        painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter,
                         "no parameter varies in number across the runs");
        return;
    }
    for (std::size_t r = 0; r < data.metrics.size(); ++r) {
        for (std::size_t c = 0; c < data.parameters.size(); ++c) {
            const QRect cell(QPoint(int(c) * cell_extent.width(), int(r) * cell_extent.height()),
                             cell_extent);
            draw_cell(painter, cell, data.parameters[c], data.metrics[r]);
        }
    }
}

void save_sweep_plots(const SweepPlotData& data, const std::string& png, const std::string& svg) {
    save_plot_files(
        sweep_plot_size(data), "Sweep summary",
        [&](QPainter& painter) { draw_sweep_plots(painter, data); }, png, svg);
}

}  // namespace vendrel
