#include "view/figure_marks.h"

#include <QLineF>
#include <QPainter>
#include <QPen>

#include "view/figure_axes.h"

namespace vendrel {

namespace {

constexpr double kMinDotSpacing = 6;  // figure pixels between shoreline dots

}  // namespace

std::vector<ShorelinePoint> snapshot_shoreline_trajectory(const SectionSnapshot& snapshot) {
    const int count = snapshot.count;
    if (count < 1 || snapshot.z.size() < std::size_t(count) * COLUMN_SLOTS ||
        snapshot.x_values.size() < std::size_t(COLUMN_SLOTS)) {
        return {};
    }
    return shoreline_trajectory(
        snapshot.params, count, [&](int c, int h) { return snapshot.horizon_z(h)[c]; },
        snapshot.x_values.data(), snapshot.sealevels.data());
}

QColor trajectory_class_colour(TrajectoryClass c) {
    switch (c) {
        case TrajectoryClass::ForcedRegressive:
            return QColor(200, 30, 30);
        case TrajectoryClass::NormalRegressive:
            return QColor(235, 140, 0);
        case TrajectoryClass::Transgressive:
            return QColor(30, 80, 200);
        case TrajectoryClass::Aggradational:
            return QColor(20, 150, 60);
        case TrajectoryClass::Missing:
            break;
    }
    return QColor(25, 25, 25);
}

void draw_trajectory_legend(QPainter& painter, QPointF top_left, double row, const QColor& ink) {
    static const TrajectoryClass classes[] = {
        TrajectoryClass::ForcedRegressive, TrajectoryClass::NormalRegressive,
        TrajectoryClass::Transgressive, TrajectoryClass::Aggradational};
    static const char* const names[] = {"Forced regressive", "Normal regressive", "Transgressive",
                                        "Aggradational"};
    draw_figure_text(painter, top_left + QPointF(0, 10), "Shoreline trajectory", Qt::AlignLeft,
                     ink);
    for (int i = 0; i < 4; ++i) {
        const double y = top_left.y() + (i + 1) * row + 6;
        painter.setPen(QPen(trajectory_class_colour(classes[i]), 2));
        painter.drawLine(QPointF(top_left.x(), y), QPointF(top_left.x() + 16, y));
        draw_figure_text(painter, QPointF(top_left.x() + 22, y + 4), names[i], Qt::AlignLeft, ink);
    }
}

void draw_trajectory(QPainter& painter, const std::vector<ShorelinePoint>& shore,
                     const std::function<QPointF(const ShorelinePoint&, int)>& at) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    for (std::size_t i = 1; i < shore.size(); ++i) {
        const ShorelinePoint& a = shore[i - 1];
        const ShorelinePoint& b = shore[i];
        if (a.column == 0 || b.column == 0) {
            continue;
        }
        QPen pen(trajectory_class_colour(b.step), 1.6);
        pen.setCapStyle(Qt::RoundCap);
        painter.setPen(pen);
        painter.drawLine(at(a, int(i)), at(b, int(i) + 1));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(25, 25, 25));
    // Dots closer than a few pixels to the last one would hide the
    // segments' colours.
    QPointF last(-1e9, -1e9);
    for (std::size_t i = 0; i < shore.size(); ++i) {
        if (shore[i].column == 0) {
            continue;
        }
        const QPointF p = at(shore[i], int(i) + 1);
        if (QLineF(last, p).length() >= kMinDotSpacing) {
            painter.drawEllipse(p, 1.4, 1.4);
            last = p;
        }
    }
    painter.restore();
}

void draw_well_tick(QPainter& painter, double x, double top, double length, double metres,
                    const QColor& ink) {
    painter.setPen(QPen(ink, 1.2));
    painter.drawLine(QPointF(x, top), QPointF(x, top + length));
    draw_figure_text(painter, QPointF(x + 3, top + length + 1), figure_number(metres),
                     Qt::AlignLeft, ink);
}

}  // namespace vendrel
