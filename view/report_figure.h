#pragma once
// The report figure: the section as filled layers for printing in reports,
// beside the window's picture of coloured lines.
//
// Layer h lies between horizons h - 1 and h and takes the colour class of
// slot h's attribute in each column (light grey in time-lines mode);
// coloured by depth of deposition, a layer laid down at or above sea level
// (stratigraphy's subaerial_flag) takes a class of its own, in brown, named
// under the colour bar. The substrate lies below the initial surface. Each
// layer is filled as closed polygons, one per run of columns of one colour,
// bounded above by its horizon (a line through the column values) and below
// by the next older horizon lowered by a pixel and its local slope. Layers
// are painted from the youngest down, so each older one covers the lower
// part of the younger one: every anti-aliased edge falls on colour already
// painted, and no seam or gap shows. A run overlaps the next run of its
// layer by one column, which that run paints over. Stretches where a layer
// is thinner than a fiftieth of a pixel are left out (the younger layer
// reaching under them shows instead). At a fault, where a horizon jumps, the
// polygons end at a vertical wall on the whole device pixel nearest the
// fault, so no layer bridges the throw. A fault without slip cuts nothing.
//
// The plot spans the section's width and, downward, from the top of the
// section or the highest horizon, whichever is higher, to its base or the
// lowest horizon (a block lowered by the faults), whichever is lower, so
// that every horizon and the initial surface show whole. Thin dark
// time-lines mark every horizon wherever it lies at least 3 figure pixels
// from the last one drawn below it and from the newest horizon (so that
// converging lines end rather than merge), or every n-th horizon when the
// caller asks. Around the plot: x and elevation axes (elevation above the
// base, max_y - z, negative below it) with ticks and units, the vertical
// exaggeration of the plot area, a title line, and in the right margin the
// colour bar of the class thresholds (every boundary labelled) and the
// sea-level curve from time 0, with ticks on both axes. Marks asked for
// (figure_marks.h) go over the section: the final sea level as a dashed
// line labelled "Sea level" at its right end, the shoreline trajectory with
// the legend of its classes in the plot's top right corner, the age (ka) of
// horizons 1 + n, 1 + 2n, ... on their lines, each where the package back to
// the last labelled line is thickest (a label that would overlap one
// already placed is left out), and each well as a tick down from the
// plot's top with its x. White background,
// anti-aliased. Coordinates are rounded to 0.1 figure pixel and
// points that lie within 0.05 pixel of a straight line are dropped, which
// keeps vector output small.

#include <QColor>
#include <QRectF>
#include <QSize>
#include <QString>
#include <vector>

#include "view/figure_axes.h"
#include "view/figure_marks.h"
#include "view/section_snapshot.h"

class QPainter;

namespace vendrel {

struct ReportOptions {
    int timeline_every = 0;     // every n-th horizon as a time-line; 0 thins by spacing
    double device_scale = 1.0;  // device pixels per figure pixel
    FigureMarks marks;          // drawn over the section only when asked
};

// Where the parts of a figure of `size` figure pixels go.
struct ReportLayout {
    QRectF plot;        // the section: x 0..max_x left to right, z 0..max_y top down
    QRectF colour_bar;  // five class boxes, class 1 at the top
    QRectF sea_level;   // the sea-level curve's frame
};
ReportLayout report_layout(QSize size);

// The ticks of the x axis (positions along x) and of the elevation axis
// (positions along y), at round steps at least about 60 pixels apart.
std::vector<AxisTick> x_axis_ticks(const ReportLayout& layout, double max_x);
std::vector<AxisTick> elevation_axis_ticks(const ReportLayout& layout, double max_y);
// The elevation axis of a plot from elevation `low` at its base to `high`
// at its top.
std::vector<AxisTick> elevation_axis_ticks(const ReportLayout& layout, double low, double high);

// The depths (z, positive down) at the top and the base of the figure's
// plot: 0 and max_y, widened to the highest and lowest finite horizon
// value.
void report_depth_range(const SectionSnapshot& snapshot, double& top, double& bottom);

// The range of the recorded sea levels of horizons 1..count as heights
// above the base (max_y - level), widened by 1 m each way where it is
// flat. False when fewer than two horizons or a level is not finite.
bool sea_level_elevation_range(const SectionSnapshot& snapshot, double& low, double& high);

// The sea level the figure's curve shows at horizon h, as a height above
// the base: for h = 1 the level of time 0 (baselevel), not slot 1's value
// (the first of the planned curve); then the level recorded with h.
double report_sea_level_elevation(const SectionSnapshot& snapshot, int h);

// Paints the whole figure of `size` figure pixels from (0, 0).
void render_report_figure(QPainter& painter, const SectionSnapshot& snapshot, QSize size,
                          const ReportOptions& options = {});

}  // namespace vendrel
