#pragma once
// A plot of the sweep's commands saved both ways: a PNG for a quick look and
// an SVG for a report, drawn by the same function, each file all or
// nothing.

#include <QSize>
#include <QString>
#include <functional>
#include <string>

class QPainter;

namespace vendrel {

// Draws with `draw` (which paints the whole picture, background too) onto
// a picture of `size` pixels and onto an SVG of the same size titled
// `title`. Throws FileError.
void save_plot_files(QSize size, const QString& title, const std::function<void(QPainter&)>& draw,
                     const std::string& png, const std::string& svg);

}  // namespace vendrel
