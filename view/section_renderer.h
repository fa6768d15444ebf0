#pragma once
// The picture of the section: background, version and time texts, the
// sea-level line and bathymetric marker under the horizons, the horizons
// from the oldest to the newest as staircases of one flat segment per
// column, coloured by class in the active colour mode (thin black
// time-lines otherwise), then the marker label, the legend, the scale bar
// and the sea-level panel. Draws through QPainter onto any paint device.

#include <QColor>
#include <QSize>
#include <string>

#include "vendrel/version.h"
#include "view/navigation.h"
#include "view/section_snapshot.h"

class QPainter;

namespace vendrel {

inline const std::string kVersionText = std::string("Vendrel ") + kVersion;
inline const QColor kBackground(220, 220, 220);

// The print path draws the screen picture five times larger, with a
// 10-point font, porosity shown as black below 0.4 and blue above outside
// the depth and distance modes, no porosity legend, and a sea-level panel
// of the recorded levels only.
struct RenderOptions {
    bool print = false;
    // Height of the font in the painter's units; 0 for 12 points at the
    // display scale.
    double font_pixels = 0;
};

// Paints the whole client area of size `client` (top-left at 0, 0); the
// print path covers five times that size.
void render_section(QPainter& painter, const SectionSnapshot& snapshot,
                    const NavigationState& navigation, QSize client,
                    const RenderOptions& options = {});

// The column whose flat segment the picture draws at model position x
// (x_values of columns 1..2000 at [1..2000]): column j spans x_j to
// x_(j + 1), column 2000 only its own x. 0 when none is drawn there.
int section_column_at(const double* x_values, double x);

}  // namespace vendrel
