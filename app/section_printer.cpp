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

void SectionPrinter::paint(QPrinter* target, QSize client, std::optional<SectionStyle> wheeler) {
    const SectionSnapshot snapshot = take_section_snapshot(document_.project(), true);
    QPainter painter(target);
    const QRectF page = target->pageLayout().paintRectPixels(target->resolution());
    if (wheeler) {
        print_wheeler_diagram(painter, QRectF(QPointF(0, 0), page.size()), snapshot, client,
                              *wheeler);
        return;
    }
    print_section(painter, QRectF(QPointF(0, 0), page.size()), target->resolution(), snapshot,
                  navigation_, client);
}

void SectionPrinter::print(QWidget* parent, QSize client, std::optional<SectionStyle> wheeler) {
    QPrinter& target = printer();
    QPrintDialog dialog(&target, parent);
    dialog.setMinMax(1, 1);  // one page
    if (services_.execDialog(dialog) == QDialog::Accepted) {
        paint(&target, client, wheeler);
    }
}

void SectionPrinter::preview(QWidget* parent, QSize client, std::optional<SectionStyle> wheeler) {
    QPrintPreviewDialog dialog(&printer(), parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                     [this, client, wheeler](QPrinter* target) { paint(target, client, wheeler); });
    services_.execDialog(dialog);
}

void SectionPrinter::setup(QWidget* parent) {
    QPageSetupDialog dialog(&printer(), parent);
    services_.execDialog(dialog);
}

}  // namespace vendrel
