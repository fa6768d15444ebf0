#include "app/section_printer.h"

#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "app/document.h"
#include "app/window_services.h"
#include "view/print_path.h"
#include "view/section_snapshot.h"

namespace vendrel {

SectionPrinter::SectionPrinter(Document& document, NavigationState& navigation,
                               WindowServices& services)
    : document_(document), navigation_(navigation), services_(services) {}

SectionPrinter::~SectionPrinter() = default;

QPrinter& SectionPrinter::printer() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setPageOrientation(QPageLayout::Landscape);
    }
    printer_->setFromTo(1, 1);
    return *printer_;
}

void SectionPrinter::paint(QPrinter* target, const Shown& shown) {
    const SectionSnapshot snapshot = take_section_snapshot(document_.project(), true);
    QPainter painter(target);
    const QRectF page(QPointF(0, 0),
                      target->pageLayout().paintRectPixels(target->resolution()).size());
    if (shown.wheeler) {
        print_wheeler_diagram(painter, page, snapshot, shown.client, shown.style);
    } else if (shown.style == SectionStyle::Report) {
        print_report_figure(painter, page, snapshot, shown.client);
    } else {
        print_section(painter, page, target->resolution(), snapshot, navigation_, shown.client);
    }
}

void SectionPrinter::print(QWidget* parent, const Shown& shown) {
    QPrinter& target = printer();
    QPrintDialog dialog(&target, parent);
    dialog.setMinMax(1, 1);  // one page
    if (services_.execDialog(dialog) == QDialog::Accepted) {
        paint(&target, shown);
    }
}

void SectionPrinter::preview(QWidget* parent, const Shown& shown) {
    QPrintPreviewDialog dialog(&printer(), parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                     [this, shown](QPrinter* target) { paint(target, shown); });
    services_.execDialog(dialog);
}

void SectionPrinter::setup(QWidget* parent) {
    QPageSetupDialog dialog(&printer(), parent);
    services_.execDialog(dialog);
}

}  // namespace vendrel
