#pragma once
// The axes of the figures with a plot (the report figure, the Wheeler
// diagram): the room around the plot, round tick steps, the ticks of an
// axis, and the numbers and titles written beside them.

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <vector>

class QPainter;

namespace vendrel {

// Room around a figure's plot for the axes' ticks and labels and for the
// title line, in figure pixels; the figures with axes share it.
inline constexpr double kPlotMarginLeft = 66;
inline constexpr double kPlotMarginTop = 36;
inline constexpr double kPlotMarginBottom = 52;

// One axis tick: the value and its position in figure pixels.
struct AxisTick {
    double value;
    double position;
};
// A round step (1, 2 or 5 times a power of ten) that puts ticks at least
// `gap` pixels apart over `length` pixels spanning `range`; `range` itself
// when no such step is a finite positive double.
double tick_step(double range, double length, double gap = 60);

// Ticks from 0 to `range` at a round step (1, 2 or 5 times a power of ten)
// at least about 60 pixels apart along `length` pixels: value v at
// origin + direction x v / range x length. None for a range that is not
// positive and finite.
std::vector<AxisTick> axis_ticks(double range, double length, double origin, double direction);
// About four round ticks (1, 2 or 5 times a power of ten) from `low` to
// `high`, the multiples of `step` (set to the step, 0 when there are none)
// within it; none for a span that is not positive and finite.
std::vector<double> round_ticks(double low, double high, double& step);
// The same from `low` to `high`: ticks at the multiples of the step within
// it, value v at origin + direction x (v - low) / (high - low) x length.
std::vector<AxisTick> axis_ticks_over(double low, double high, double length, double origin,
                                      double direction, double gap = 60);

// A number as the figures print it: at most six significant digits.
QString figure_number(double v);
// `s` on a baseline through `at`, starting, centred or ending there as
// `align` says (Qt::AlignLeft, AlignHCenter or AlignRight).
void draw_figure_text(QPainter& painter, QPointF at, const QString& s, Qt::Alignment align,
                      const QColor& ink);
// A plot's axes outside its frame: the x ticks below it and the y ticks
// left of it with their numbers, and the two axis titles.
void draw_plot_axes(QPainter& painter, const QRectF& plot, const std::vector<AxisTick>& x_ticks,
                    const std::vector<AxisTick>& y_ticks, const QString& x_title,
                    const QString& y_title, const QColor& ink);

}  // namespace vendrel
