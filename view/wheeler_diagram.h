#pragma once
// The Wheeler (chronostratigraphic) diagram: distance across, time upward.
//
// Row h (h = 2..N) is layer h, from time(h - 1) at its base to time(h) at
// its top; its cell in column j covers (j - 1) / 2000 .. j / 2000 of the
// width. A cell is white where the layer is a hiatus in that column
// (stratigraphy's layer_thickness and hiatus_flag: at most 1 mm, a negative
// thickness counting as 0), and white too where its thickness is not known
// (a non-finite horizon); otherwise it takes the colour of the class of slot
// h's attribute in the colour mode, or one neutral grey in time-lines mode.
// Coloured by depth of deposition, a layer laid down at or above sea level
// (stratigraphy's subaerial_flag) is a class of its own, in brown, rather
// than the shallowest water. Times are whole recording intervals, time(h) =
// (h - 1) x interval, so every row is equally tall and the time axis is
// linear. Beside the plot, on the same time axis, the recorded sea level
// (height above the base) at each horizon; to its right the legend of the
// classes and of the hiatus. The diagram fills the area it is given: no
// zoom, no pan.
//
// On a raster device (a QImage painted with at most a scale and a shift) the
// cells are rasterised into an image one pixel row at a time, each device
// pixel taking the cell under its centre, and copied in one piece. On other
// devices (SVG, PDF, a printer) they are filled as rectangles: runs of one
// colour along a row are merged, a run repeated unchanged in the rows above
// grows into one rectangle, hiatus cells are the plot's white, and the
// rectangles of each colour are filled as one shape, so vector output stays
// compact and shows no seam where cells of one colour meet.
//
// Section style: the section's grey background and class colours, black
// text. Report style: white background, the report palette and the report
// figure's axis ticks.
//
// Marks asked for (figure_marks.h) go over the cells: the shoreline
// trajectory, each horizon's shoreline x at its time, with the legend of
// its classes below the class legend; each well as a tick down from the
// plot's top with its x. The final sea level and ages are the report
// figure's marks; here the sea-level curve and the time axis show them.

#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <cstdint>
#include <vector>

#include "view/figure_export.h"
#include "view/figure_marks.h"
#include "view/section_picture.h"
#include "view/section_snapshot.h"

class QPainter;

namespace vendrel {

// Where the parts of a diagram of `size` figure pixels go.
struct WheelerLayout {
    QRectF plot;       // x 0..max_x left to right, time(1)..time(N) bottom to top
    QRectF sea_level;  // the sea-level curve, on the plot's time axis
    QRectF legend;     // swatches and texts
};
WheelerLayout wheeler_layout(QSize size);

// What a cell shows besides a colour class 0..4.
inline constexpr std::int8_t kWheelerHiatus = -1;    // white
inline constexpr std::int8_t kWheelerUnknown = -2;   // thickness not known: white
inline constexpr std::int8_t kWheelerDeposited = 5;  // time-lines mode: grey
inline constexpr std::int8_t kWheelerSubaerial = 6;  // depth mode, laid down on land: brown

// The cells of rows h = 2..count and columns j = 1..2000 at
// [(h - 2) * COLUMN_COUNT + (j - 1)]: a colour class 0..4 or one of the
// values above. Empty when count < 2.
std::vector<std::int8_t> wheeler_cells(const SectionSnapshot& snapshot);

// The rectangle of cell (column j, row h) in a diagram of `count` horizons.
QRectF wheeler_cell_rect(const WheelerLayout& layout, int count, int column, int h);

// The column (1..2000) whose cells lie at `fraction` (0..1) of the plot's
// width from its left edge; 0 outside the plot or for NaN.
int wheeler_column_at(double fraction);

// Paints the whole diagram of `size` figure pixels from (0, 0).
void render_wheeler_diagram(QPainter& painter, const SectionSnapshot& snapshot, QSize size,
                            SectionStyle style = SectionStyle::Section,
                            const FigureMarks& marks = {});

// The bytes of a diagram file in `format` at the request's size (a PNG
// scaled by its resolution), with the marks of the request's report
// options. Throws FigureError.
QByteArray encode_wheeler_diagram(const SectionSnapshot& snapshot, FigureFormat format,
                                  const FigureRequest& request,
                                  SectionStyle style = SectionStyle::Section);

}  // namespace vendrel
