#include "view/print_path.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>

#include "view/report_figure.h"
#include "view/section_renderer.h"
#include "view/wheeler_diagram.h"

namespace vendrel {

namespace {

// Five printer pixels per screen pixel of 96 dots per inch.
constexpr double kPrintDpi = 5 * 96.0;

}  // namespace

void print_section(QPainter& painter, const QRectF& page, double /*dpi*/,
                   const SectionSnapshot& snapshot, const NavigationState& navigation,
                   QSize client) {
    // The window's client area in screen pixels: its size in logical pixels
    // times the display scale.
    const QSize screen(scaled(client.width(), navigation.dpi_scale),
                       scaled(client.height(), navigation.dpi_scale));
    const double width = 5.0 * screen.width();
    const double height = 5.0 * screen.height();
    if (width <= 0 || height <= 0) {
        return;
    }
    const double fit = std::min(page.width() / width, page.height() / height);
    painter.save();
    painter.translate(page.center() - QPointF(width * fit, height * fit) / 2);
    painter.scale(fit, fit);
    RenderOptions options;
    options.print = true;
    // 10 points at the resolution the enlarged picture has before fitting
    // (five printer pixels per screen pixel of 96 x s dots per inch), so
    // that the text keeps its place among the boxes and frames on any page
    // and printer.
    options.font_pixels = 10.0 * kPrintDpi * navigation.dpi_scale / 72.0;
    render_section(painter, snapshot, navigation, screen, options);
    painter.restore();
}

namespace {

// Draws a picture of the client's size with `draw(fit)`, scaled by `fit`
// to fill the page as far as its aspect allows and centred on it.
template <class Draw>
void fitted_to_page(QPainter& painter, const QRectF& page, QSize client, Draw draw) {
    if (client.width() <= 0 || client.height() <= 0) {
        return;
    }
    const double fit = std::min(page.width() / client.width(), page.height() / client.height());
    painter.save();
    painter.translate(page.center() - QPointF(client.width() * fit, client.height() * fit) / 2);
    painter.scale(fit, fit);
    draw(fit);
    painter.restore();
}

}  // namespace

void print_wheeler_diagram(QPainter& painter, const QRectF& page, const SectionSnapshot& snapshot,
                           QSize client, SectionStyle style) {
    fitted_to_page(painter, page, client,
                   [&](double) { render_wheeler_diagram(painter, snapshot, client, style); });
}

void print_report_figure(QPainter& painter, const QRectF& page, const SectionSnapshot& snapshot,
                         QSize client) {
    fitted_to_page(painter, page, client, [&](double fit) {
        ReportOptions options;
        options.device_scale = fit;
        render_report_figure(painter, snapshot, client, options);
    });
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
