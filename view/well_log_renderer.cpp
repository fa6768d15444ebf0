#include "view/well_log_renderer.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <functional>

#include "view/figure_axes.h"

namespace vendrel {
namespace {

constexpr double kMargin = 6;
constexpr double kTrackGap = 12;

QString number(double v) {
    return QString::number(v, 'g', 6);
}

// An axis over the finite values lo..hi (lo > hi when there is none),
// widened to round steps at least `gap` pixels apart over `length` pixels;
// from zero when `from_zero`.
struct Axis {
    double lo = 0, hi = 1, step = 1;

    Axis(double min, double max, double length, double gap, bool from_zero) {
        if (min <= max) {
            lo = from_zero ? std::min(min, 0.0) : min;
            hi = from_zero ? std::max(max, 0.0) : max;
        }
        if (!(hi > lo)) {
            if (from_zero && lo == 0) {
                hi = 1;
            } else {
                lo -= 1;
                hi += 1;
            }
        }
        if (!std::isfinite(hi - lo)) {
            lo = 0;
            hi = 1;
        }
        step = tick_step(hi - lo, length, gap);
        lo = std::floor(lo / step) * step;
        hi = std::ceil(hi / step) * step;
    }

    double fraction(double v) const { return (v - lo) / (hi - lo); }
    // lo, lo + step, ... up to hi.
    std::vector<double> ticks() const {
        std::vector<double> out;
        for (int k = 0; k < 1000 && lo + k * step <= hi + step * 1e-9; ++k) {
            out.push_back(lo + k * step);
        }
        return out;
    }
};

struct Track {
    QRectF rect;
    Axis axis;
    QString header;
    QColor fill;
    std::function<double(const WellSample&)> value;

    double x(double v) const { return rect.left() + axis.fraction(v) * rect.width(); }
};

void range_of(const PseudoWell& well, const std::function<double(const WellSample&)>& value,
              std::size_t first, double& min, double& max) {
    min = HUGE_VAL;
    max = -HUGE_VAL;
    for (std::size_t k = first; k < well.samples.size(); ++k) {
        const double v = value(well.samples[k]);
        if (std::isfinite(v)) {
            min = std::min(min, v);
            max = std::max(max, v);
        }
    }
}

// The staircase of one track: a filled box and a vertical step per layer,
// horizontal steps joining layers that follow one another.
void draw_track(QPainter& painter, const PseudoWell& well, const Track& track,
                const std::function<double(double)>& y_of) {
    painter.save();
    painter.setClipRect(track.rect);
    const double zero = track.x(std::clamp(0.0, track.axis.lo, track.axis.hi));
    QPainterPath outline;
    bool joined = false;
    for (std::size_t k = 1; k < well.samples.size(); ++k) {
        const double below = well.samples[k - 1].elevation;
        const double above = well.samples[k].elevation;
        const double v = track.value(well.samples[k]);
        if (!std::isfinite(below) || !std::isfinite(above) || !std::isfinite(v)) {
            joined = false;
            continue;
        }
        if (hiatus_flag(well.samples[k].thickness) != 0 || !(above > below)) {
            continue;  // a hiatus (at most 1 mm): no step
        }
        const double x = track.x(v);
        const double y0 = y_of(below), y1 = y_of(above);
        painter.fillRect(QRectF(QPointF(std::min(zero, x), y1), QPointF(std::max(zero, x), y0)),
                         track.fill);
        if (joined) {
            outline.lineTo(x, y0);
        } else {
            outline.moveTo(x, y0);
        }
        outline.lineTo(x, y1);
        joined = true;
    }
    painter.setPen(QPen(Qt::black, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);
    painter.restore();
}

}  // namespace

QString well_log_title(const PseudoWell& well) {
    const QString x = QString::number(well.x, 'f', 1);
    if (well.column <= 0) {
        return QString("x = %1 m: beyond the section").arg(x);
    }
    const QString column_x = QString::number(well.column_x, 'f', 1);
    if (column_x == x) {
        return QString("x = %1 m (column %2)").arg(x).arg(well.column);
    }
    return QString("x = %1 m: column %2 (x = %3 m)").arg(x).arg(well.column).arg(column_x);
}

std::vector<int> pick_labelled_horizons(const std::vector<double>& y, double gap) {
    std::vector<int> kept;
    auto consider = [&](int k) {
        if (!std::isfinite(y[std::size_t(k)])) {
            return;
        }
        for (int other : kept) {
            if (other == k || std::fabs(y[std::size_t(other)] - y[std::size_t(k)]) < gap) {
                return;
            }
        }
        kept.push_back(k);
    };
    const int n = int(y.size());
    if (n > 0) {
        consider(n - 1);
        consider(0);
    }
    for (int k = n - 2; k >= 1; --k) {
        consider(k);
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

void render_well_log(QPainter& painter, const PseudoWell& well, QSize size) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(painter.font());
    const double line = metrics.height();
    const double w = size.width(), h = size.height();

    painter.drawText(QRectF(kMargin, kMargin, w - 2 * kMargin, line), Qt::AlignLeft,
                     metrics.elidedText(well_log_title(well), Qt::ElideRight, w - 2 * kMargin));
    if (well.samples.empty()) {
        painter.restore();
        return;
    }

    // Elevation, up the page.
    const double top = kMargin + 2 * line + 8;
    const double bottom = std::max(top + 10, h - kMargin - line - 4);
    double min = 0, max = 0;
    range_of(
        well, [](const WellSample& s) { return s.elevation; }, 0, min, max);
    const Axis elevation(min, max, bottom - top, 2.5 * line, false);
    auto y_of = [&](double e) { return bottom - elevation.fraction(e) * (bottom - top); };

    // Which horizons carry their age, and how wide their labels are.
    std::vector<double> rows;
    for (const WellSample& s : well.samples) {
        rows.push_back(std::isfinite(s.elevation) ? y_of(s.elevation) : std::nan(""));
    }
    const std::vector<int> labelled = pick_labelled_horizons(rows, line);
    std::vector<QString> labels;
    double label_width = 0;
    for (int k : labelled) {
        const WellSample& s = well.samples[std::size_t(k)];
        labels.push_back(std::isfinite(s.age_kyr) ? QString::number(s.age_kyr, 'f', 1) + " kyr"
                                                  : QString("horizon %1").arg(s.horizon));
        label_width = std::max(label_width, metrics.horizontalAdvance(labels.back()));
    }
    label_width = std::min(label_width + 6, w * 0.3);

    std::vector<QString> elevation_labels;
    double axis_width = metrics.horizontalAdvance("m");
    for (double v : elevation.ticks()) {
        elevation_labels.push_back(number(v));
        axis_width = std::max(axis_width, metrics.horizontalAdvance(elevation_labels.back()));
    }
    axis_width += 8;

    const double left = kMargin + axis_width;
    const double right = std::max(left + 2 * 10 + kTrackGap, w - kMargin - label_width);
    const double track_width = (right - left - kTrackGap) / 2;
    const double value_gap = 3 * metrics.horizontalAdvance("0.000");
    Track tracks[2] = {
        {QRectF(left, top, track_width, bottom - top), Axis(0, 0, 1, 1, true),
         "Depth of deposition (m)", kWellDepthFill,
         [](const WellSample& s) { return s.depth_of_deposition; }},
        {QRectF(left + track_width + kTrackGap, top, track_width, bottom - top),
         Axis(0, 0, 1, 1, true), "Porosity", kWellPorosityFill,
         [](const WellSample& s) { return s.porosity; }},
    };
    for (Track& t : tracks) {
        range_of(well, t.value, 1, min, max);
        t.axis = Axis(min, max, t.rect.width(), value_gap, true);
    }

    // Headers, grids and the layers.
    painter.setPen(Qt::black);
    painter.drawText(QRectF(kMargin, kMargin + line + 4, axis_width, line), Qt::AlignLeft,
                     metrics.elidedText("m", Qt::ElideRight, axis_width));
    for (const Track& t : tracks) {
        painter.setPen(Qt::black);
        painter.drawText(QRectF(t.rect.left(), kMargin + line + 4, t.rect.width(), line),
                         Qt::AlignHCenter,
                         metrics.elidedText(t.header, Qt::ElideRight, t.rect.width()));
        painter.setPen(QPen(QColor(225, 225, 225), 1));
        for (double v : t.axis.ticks()) {
            painter.drawLine(QPointF(t.x(v), top), QPointF(t.x(v), bottom));
        }
        for (double v : elevation.ticks()) {
            painter.drawLine(QPointF(t.rect.left(), y_of(v)), QPointF(t.rect.right(), y_of(v)));
        }
        draw_track(painter, well, t, y_of);
    }

    // Labelled horizons across both tracks, their ages on the right.
    for (std::size_t k = 0; k < labelled.size(); ++k) {
        const double y = rows[std::size_t(labelled[k])];
        painter.setPen(QPen(QColor(110, 110, 110), 1, Qt::DashLine));
        painter.drawLine(QPointF(tracks[0].rect.left(), y), QPointF(tracks[1].rect.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(tracks[1].rect.right() + 4, y - line / 2, label_width, line),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(labels[k], Qt::ElideRight, label_width));
    }

    // Frames and axes.
    painter.setPen(QPen(Qt::black, 1));
    const std::vector<double> ticks = elevation.ticks();
    for (std::size_t k = 0; k < ticks.size(); ++k) {
        const double y = y_of(ticks[k]);
        painter.drawLine(QPointF(left - 4, y), QPointF(left, y));
        painter.drawText(QRectF(kMargin, y - line / 2, axis_width - 6, line),
                         Qt::AlignRight | Qt::AlignVCenter, elevation_labels[k]);
    }
    for (const Track& t : tracks) {
        painter.drawRect(t.rect);
        // The two ends of the value axis: inner ticks would crowd a narrow track.
        painter.drawText(QRectF(t.rect.left(), bottom + 2, t.rect.width(), line), Qt::AlignLeft,
                         number(t.axis.lo));
        painter.drawText(QRectF(t.rect.left(), bottom + 2, t.rect.width(), line), Qt::AlignRight,
                         number(t.axis.hi));
    }
    painter.restore();
}

}  // namespace vendrel
