#include "view/figure_axes.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vendrel {

double tick_step(double range, double length, double gap) {
    double raw = range * gap / std::max(length, 1.0);
    if (!std::isfinite(raw)) {
        raw = range / std::max(length, 1.0) * gap;  // near the largest double
    }
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10 * magnitude;
    for (double f : {1.0, 2.0, 5.0, 10.0}) {
        if (f * magnitude >= raw * (1 - 1e-9)) {
            step = f * magnitude;
            break;
        }
    }
    // A range so small or so large that no round step of a double fits
    // (a subnormal width, one near the largest double) is ticked at its
    // ends only.
    if (!(step > 0) || !std::isfinite(step) || !(step >= raw * (1 - 1e-9))) {
        return range;
    }
    return step;
}

std::vector<double> round_ticks(double low, double high, double& step) {
    const double span = high - low;
    std::vector<double> out;
    step = 0;
    if (!(span > 0) || !std::isfinite(span)) {
        return out;
    }
    step = tick_step(span, 4, 1);
    for (double k = std::ceil(low / step - 1e-9); k * step <= high + step * 1e-9; ++k) {
        out.push_back(k * step == 0 ? 0.0 : k * step);
    }
    return out;
}

QString figure_number(double v) {
    return QString::number(v, 'g', 6);
}

void draw_figure_text(QPainter& painter, QPointF at, const QString& s, Qt::Alignment align,
                      const QColor& ink) {
    const double width = QFontMetricsF(painter.font(), painter.device()).horizontalAdvance(s);
    if (align & Qt::AlignHCenter) {
        at.rx() -= width / 2;
    } else if (align & Qt::AlignRight) {
        at.rx() -= width;
    }
    painter.setPen(ink);
    painter.drawText(at, s);
}

void draw_plot_axes(QPainter& painter, const QRectF& plot, const std::vector<AxisTick>& x_ticks,
                    const std::vector<AxisTick>& y_ticks, const QString& x_title,
                    const QString& y_title, const QColor& ink) {
    for (const AxisTick& t : x_ticks) {
        painter.setPen(QPen(ink, 1));
        painter.drawLine(QPointF(t.position, plot.bottom()),
                         QPointF(t.position, plot.bottom() + 5));
        draw_figure_text(painter, QPointF(t.position, plot.bottom() + 18), figure_number(t.value),
                         Qt::AlignHCenter, ink);
    }
    for (const AxisTick& t : y_ticks) {
        painter.setPen(QPen(ink, 1));
        painter.drawLine(QPointF(plot.left() - 5, t.position), QPointF(plot.left(), t.position));
        draw_figure_text(painter, QPointF(plot.left() - 8, t.position + 4), figure_number(t.value),
                         Qt::AlignRight, ink);
    }
    draw_figure_text(painter, QPointF(plot.center().x(), plot.bottom() + 40), x_title,
                     Qt::AlignHCenter, ink);
    painter.save();
    painter.translate(16, plot.center().y());
    painter.rotate(-90);
    draw_figure_text(painter, QPointF(0, 0), y_title, Qt::AlignHCenter, ink);
    painter.restore();
}

std::vector<AxisTick> axis_ticks(double range, double length, double origin, double direction) {
    std::vector<AxisTick> out;
    if (!(range > 0) || !std::isfinite(range)) {
        return out;
    }
    const double step = tick_step(range, length);
    // Never more ticks than pixels, whatever the step.
    const int most = int(std::clamp(length, 0.0, 1e6)) + 2;
    // k * step <= range, without overflow near the largest double.
    const double last = range / step * (1 + 1e-9);
    for (int k = 0; k < most && k <= last; ++k) {
        const double v = k * step;
        out.push_back({v, origin + direction * v / range * length});
    }
    return out;
}

std::vector<AxisTick> axis_ticks_over(double low, double high, double length, double origin,
                                      double direction, double gap) {
    std::vector<AxisTick> out;
    const double range = high - low;
    if (!(range > 0) || !std::isfinite(range)) {
        return out;
    }
    const double step = tick_step(range, length, gap);
    const double first = std::ceil(low / step - 1e-9);
    for (double k = first; k * step <= high + range * 1e-9; ++k) {
        const double v = k * step == 0 ? 0.0 : k * step;
        out.push_back({v, origin + direction * (v - low) / range * length});
    }
    return out;
}

}  // namespace vendrel
