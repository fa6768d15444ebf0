#pragma once
// Writing the report figure to a file: SVG and PDF as vectors at the
// figure's size (96 figure pixels to the inch, a PDF page of exactly that
// size), PNG as pixels, scaled by its resolution. The whole file is made in
// memory first and then saved through an AtomicFile, so a failed or
// refused figure leaves the target as it was, and the caller may save it
// together with other outputs in one SaveSet.

#include <QByteArray>
#include <QSize>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "view/report_figure.h"
#include "view/section_snapshot.h"

class QPainter;

namespace vendrel {

class AtomicFile;

enum class FigureFormat { Svg, Pdf, Png };

// The largest raster figure drawn, in pixels.
inline constexpr std::int64_t kMaxRasterPixels = 100'000'000;

struct FigureRequest {
    QSize size{1600, 800};  // figure pixels
    double dpi = 96;        // a PNG is size x dpi / 96 pixels
    ReportOptions report;
};

// A figure that cannot be made; the message says why.
class FigureError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The format a file name asks for by its suffix (.svg, .pdf, .png, any
// case); none for other names.
std::optional<FigureFormat> figure_format_of(const std::string& path);

// The pixel size of a PNG of the request (its size at 96 dots per inch,
// scaled by dpi / 96).
QSize raster_size(const FigureRequest& request);

// Checks the request without drawing: a positive size, a positive finite
// resolution, and for a raster no more than kMaxRasterPixels. Throws
// FigureError.
void check_figure_request(FigureFormat format, const FigureRequest& request);

// Draws a picture of `size` figure pixels from (0, 0) at `device_scale`
// device pixels per figure pixel.
using FigureDrawing = std::function<void(QPainter& painter, QSize size, double device_scale)>;

// The bytes of a file of any drawing, made as the figure's are (the size
// and, for a PNG, the resolution of the request). Throws FigureError.
QByteArray encode_drawing(FigureFormat format, const FigureRequest& request,
                          const FigureDrawing& draw);

// The bytes of the figure file. Throws FigureError.
QByteArray encode_figure(const SectionSnapshot& snapshot, FigureFormat format,
                         const FigureRequest& request);

// Writes the figure into an output opened by the caller (not committed).
void write_figure(AtomicFile& out, const SectionSnapshot& snapshot, FigureFormat format,
                  const FigureRequest& request);

// Saves the figure to `path` in the format of its suffix, all or nothing.
// Throws FigureError (unknown suffix, refused size) or FileError.
void save_figure(const std::string& path, const SectionSnapshot& snapshot,
                 const FigureRequest& request);

}  // namespace vendrel
