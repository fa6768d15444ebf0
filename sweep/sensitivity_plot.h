#pragma once
// The sensitivity of every metric as bars with their 95 % intervals: one
// panel per metric (titled with its name and unit), two panels a row, each
// parameter a group along the x axis. A Saltelli design shows the
// first-order (blue) and total (orange) index of each parameter, a Morris
// design μ* in the metric's unit. A metric without indices (it does not
// vary) gets a panel that says so. Drawn with QPainter; saved as PNG and SVG.

#include <QPainter>
#include <QSize>
#include <string>

#include "sweep/sensitivity_analysis.h"

namespace vendrel {

QSize sensitivity_plot_size(const SensitivityResult& result);

void draw_sensitivity_plot(QPainter& painter, const SensitivityResult& result);

// Writes both pictures (atomically; needs a QGuiApplication). Throws FileError.
void save_sensitivity_plot(const SensitivityResult& result, const std::string& png,
                           const std::string& svg);

}  // namespace vendrel
