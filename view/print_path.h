#pragma once
// The printed picture on one page: the print path of the section renderer
// (five times the window's size in screen pixels) fitted into the page's
// printable area with its proportions kept and centred on it, so that it
// never runs off the page. The text is scaled with the picture: 10 points
// before fitting, so it stays inside the legend frame whatever the page.

#include <QRectF>
#include <QSize>

#include "view/navigation.h"
#include "view/section_picture.h"
#include "view/section_snapshot.h"

class QIODevice;
class QPainter;

namespace vendrel {

// `page` is the printable area in the painter's device pixels, `client` the
// window's client size in logical pixels (times navigation.dpi_scale in
// screen pixels). `dpi`, the device's resolution, no longer changes the
// picture; it stays for the callers that pass it.
void print_section(QPainter& painter, const QRectF& page, double dpi,
                   const SectionSnapshot& snapshot, const NavigationState& navigation,
                   QSize client);

// The Wheeler diagram of a window of `client` logical pixels in `style`,
// fitted into `page` with its proportions kept and centred on it.
void print_wheeler_diagram(QPainter& painter, const QRectF& page, const SectionSnapshot& snapshot,
                           QSize client, SectionStyle style);

// The report figure of a window of `client` logical pixels, fitted into
// `page` with its proportions kept and centred on it.
void print_report_figure(QPainter& painter, const QRectF& page, const SectionSnapshot& snapshot,
                         QSize client);

// Prints one PDF page (A4 landscape at 600 dots per inch) into `device`.
// Returns false when it cannot be written.
bool print_section_to_pdf(QIODevice* device, const SectionSnapshot& snapshot,
                          const NavigationState& navigation, QSize client);

}  // namespace vendrel
