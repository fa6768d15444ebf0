#include "view/print_path.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>

#include "view/section_renderer.h"

namespace vendrel {

void print_section(QPainter& painter, const QRectF& page, double dpi,
                   const SectionSnapshot& snapshot, const NavigationState& navigation,
                   QSize client) {
    const double width = 5.0 * client.width();
    const double height = 5.0 * client.height();
    if (width <= 0 || height <= 0) {
        return;
    }
    const double fit = std::min(page.width() / width, page.height() / height);
    painter.save();
    painter.translate(page.topLeft());
    painter.scale(fit, fit);
    RenderOptions options;
    options.print = true;
    options.font_pixels = 10.0 * dpi / 72.0 / fit;  // 10 points on paper
    render_section(painter, snapshot, navigation, client, options);
    painter.restore();
}

bool print_section_to_pdf(QIODevice* device, const SectionSnapshot& snapshot,
                          const NavigationState& navigation, QSize client) {
    QPdfWriter pdf(device);
    pdf.setResolution(600);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                  QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&pdf)) {
        return false;
    }
    const QRect page = pdf.pageLayout().paintRectPixels(pdf.resolution());
    print_section(painter, QRectF(QPointF(0, 0), QSizeF(page.size())), pdf.resolution(), snapshot,
                  navigation, client);
    return painter.end();
}

}  // namespace vendrel
