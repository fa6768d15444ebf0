#pragma once
// The printed picture on one page: the print path of the section renderer
// (five times the window's size) fitted into the page's printable area with
// its proportions kept, so that it never runs off the page, and a 10-point
// font on paper.

#include <QRectF>
#include <QSize>

#include "view/navigation.h"
#include "view/section_snapshot.h"

class QIODevice;
class QPainter;

namespace vendrel {

// `page` is the printable area in the painter's device pixels, `dpi` the
// device's vertical resolution, `client` the window's client size.
void print_section(QPainter& painter, const QRectF& page, double dpi,
                   const SectionSnapshot& snapshot, const NavigationState& navigation,
                   QSize client);

// Prints one PDF page (A4 landscape at 600 dots per inch) into `device`.
// Returns false when it cannot be written.
bool print_section_to_pdf(QIODevice* device, const SectionSnapshot& snapshot,
                          const NavigationState& navigation, QSize client);

}  // namespace vendrel
