#include "app/well_log_panel.h"

#include <QFileInfo>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/document.h"
#include "app/local_file_name.h"
#include "app/window_services.h"
#include "document/atomic_file.h"
#include "document/csv_export.h"
#include "view/well_log_renderer.h"

namespace vendrel {
namespace {

const QString kWellHint =
    "Click a column of the section, or of the Wheeler diagram, to log it as a well.";

// The log itself, drawn afresh at every paint from the panel's well.
class WellLogView : public QWidget {
  public:
    explicit WellLogView(WellLogPanel& panel) : QWidget(&panel), panel_(panel) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(240, 240);
        setObjectName("wellLog");
        setAccessibleName("Pseudo-well log");
    }
    QSize sizeHint() const override { return QSize(420, 560); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (!panel_.hasWell()) {
            painter.fillRect(rect(), Qt::white);
            painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
                             kWellHint);
            return;
        }
        render_well_log(painter, panel_.well(), size());
    }

  private:
    WellLogPanel& panel_;
};

}  // namespace

WellLogPanel::WellLogPanel(Document& document, QWidget* parent)
    : QDockWidget("Pseudo-Well", parent), document_(document) {
    setObjectName("wellLogPanel");
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    log_ = new WellLogView(*this);
    export_ = new QPushButton("Export CSV...", body);
    export_->setToolTip("Save this well as a CSV table");
    layout->addWidget(log_, 1);
    layout->addWidget(export_, 0, Qt::AlignRight);
    setWidget(body);
    export_->setEnabled(false);
    connect(&document_, &Document::modelChanged, this, &WellLogPanel::markOutOfDate);
    connect(export_, &QPushButton::clicked, this, &WellLogPanel::exportRequested);
}

bool WellLogPanel::moveTo(double x) {
    try {
        check_well_position(document_.simulation().params(), x);
    } catch (const WellOutsideSectionError&) {
        return false;
    }
    x_ = x;
    picked_ = true;
    export_->setEnabled(true);
    markOutOfDate();
    well();  // the title names the column at once
    emit moved(x);
    return true;
}

void WellLogPanel::markOutOfDate() {
    outOfDate_ = true;
    log_->update();
}

const PseudoWell& WellLogPanel::well() {
    if (outOfDate_ && picked_) {
        outOfDate_ = false;
        try {
            const Simulation::ReadGuard model = document_.simulation().read();
            well_ = read_pseudo_well(model.params(), model.state(), x_);
        } catch (const WellOutsideSectionError&) {
            well_ = PseudoWell{.x = x_, .column = 0, .column_x = std::nan(""), .samples = {}};
        }
        setWindowTitle("Pseudo-Well at " + well_log_title(well_));
    }
    return well_;
}

void WellLogPanel::exportCsv(WindowServices& services) {
    const QString proposed = QString("well-x%1.csv").arg(QString::number(x_, 'f', 0));
    const QString path = services.saveFileName(this, "Export Well CSV", proposed,
                                               "CSV tables (*.csv);;All Files (*.*)");
    if (path.isEmpty()) {
        return;
    }
    write_file_atomically(localFileNameBytes(path),
                          format_wells_csv(document_.project().snapshot(), {x_}));
}

}  // namespace vendrel
