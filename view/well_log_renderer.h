#pragma once
// The log of one pseudo-well as a picture: depth of deposition and porosity
// in two tracks side by side against elevation (above the base of the
// section, up the page).
//
// Layer h (h >= 2) spans the elevations of horizons h - 1 (below) and h
// (above) and takes slot h's values, so each track is a staircase: one
// vertical step per layer at its value, filled from the track's zero line.
// A hiatus has no height and leaves no step; a layer whose value or bounds
// are not numbers leaves a gap. Horizon 1 has no layer. The axes span the
// finite values only, widened to round steps (tick_step); a well with no
// finite value shows empty tracks.
//
// Ages (kyr before the newest horizon) label a subset of the horizons on
// the right: the newest, then the oldest, then as many of the others,
// youngest first, as keep every label at least a line of text from the
// next. A thin line marks each labelled horizon across both tracks. The
// title line names the position asked for and the column logged.

#include <QColor>
#include <QSize>
#include <QString>
#include <vector>

#include "document/pseudo_well.h"

class QPainter;

namespace vendrel {

// The fills of the two tracks.
inline const QColor kWellDepthFill(150, 190, 235);
inline const QColor kWellPorosityFill(225, 200, 140);

// "x = 1000.8 m: column 1001 (x = 1001.0 m)"; "x = 1001.0 m (column 1001)"
// where the position asked for is the column's as printed; "x = 2400.0 m:
// beyond the section" where no column lies there.
QString well_log_title(const PseudoWell& well);

// The indices into `y` (window rows of the horizons, oldest first; NaN for
// a horizon not drawn) to label: the last, then the first, then the others
// from the last down, each kept only when it lies at least `gap` from every
// one kept before. Increasing order.
std::vector<int> pick_labelled_horizons(const std::vector<double>& y, double gap);

// Paints the log over (0, 0)..size with the painter's font.
void render_well_log(QPainter& painter, const PseudoWell& well, QSize size);

}  // namespace vendrel
