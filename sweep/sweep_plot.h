#pragma once
// A grid of small scatter plots: one row per metric, one column per varied
// parameter, each point one run that succeeded. Each plot has ticks with
// numbers on both axes (whole numbers printed whole) and both axes titled
// with the name and the unit; the cells are wide and tall enough for every
// title. Drawn with QPainter onto any paint device (a QImage for PNG, a
// QSvgGenerator for SVG).

#include <QPainter>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

namespace vendrel {

struct PlotSeries {
    QString name;
    std::vector<std::optional<double>> values;  // one per run
    QString unit;                               // empty: none known
};

// A tick number as the plots print it: a whole number whole, otherwise at
// most four significant digits.
QString sweep_plot_number(double v);

struct SweepPlotData {
    std::vector<PlotSeries> parameters;  // across the grid
    std::vector<PlotSeries> metrics;     // down the grid
};

// The size the grid needs, in pixels.
QSize sweep_plot_size(const SweepPlotData& data);

void draw_sweep_plots(QPainter& painter, const SweepPlotData& data);

// Writes PNG and SVG of the grid (atomically). Throws FileError.
void save_sweep_plots(const SweepPlotData& data, const std::string& png, const std::string& svg);

}  // namespace vendrel
