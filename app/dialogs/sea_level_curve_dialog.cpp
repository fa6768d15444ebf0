#include "app/dialogs/sea_level_curve_dialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <algorithm>

#include "app/local_file_name.h"
#include "app/window_services.h"
#include "core/sea_level_curve.h"
#include "document/number_format.h"
#include "document/sea_level_csv.h"

namespace vendrel {
namespace {

// The curve as a line through its points (level up), fitted to the widget;
// more points than pixels are thinned to one per pixel column's extremes.
class CurvePlot : public QWidget {
  public:
    explicit CurvePlot(QWidget* parent) : QWidget(parent) {
        setObjectName("curve_plot");
        setMinimumSize(320, 120);
    }
    void setCurve(const SeaLevelCurve* curve) {
        curve_ = curve;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setPen(QColor(160, 160, 160));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        if (curve_ == nullptr) {
            painter.drawText(rect(), Qt::AlignCenter, "Sinusoids");
            return;
        }
        const auto& points = curve_->points();
        const auto [low, high] = std::minmax_element(
            points.begin(), points.end(),
            [](const SeaLevelPoint& a, const SeaLevelPoint& b) { return a.level < b.level; });
        const double t0 = curve_->start_time();
        const double span = std::max(curve_->end_time() - t0, 1e-9);
        const double bottom = low->level;
        const double height = std::max(high->level - bottom, 1e-9);
        const QRectF area = QRectF(rect()).adjusted(4, 4, -4, -4);
        const auto at = [&](const SeaLevelPoint& p) {
            return QPointF(area.left() + (p.time - t0) / span * area.width(),
                           area.bottom() - (p.level - bottom) / height * area.height());
        };
        QPainterPath path(at(points.front()));
        const std::size_t stride = std::max<std::size_t>(1, points.size() / 4096);
        for (std::size_t i = stride; i < points.size(); i += stride) {
            path.lineTo(at(points[i]));
        }
        path.lineTo(at(points.back()));
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0, 70, 160), 1.5));
        painter.drawPath(path);
    }

  private:
    const SeaLevelCurve* curve_ = nullptr;
};

QString kyr(double years) {
    return QString::fromStdString(format_fixed(years / 1000, 0, 3));
}

}  // namespace

SeaLevelCurveDialog::SeaLevelCurveDialog(WindowServices& services, const ModelParameters& model,
                                         QWidget* parent)
    : QDialog(parent),
      services_(services),
      totaltime_(model.totaltime),
      curve_(model.sea_level_curve) {
    setWindowTitle("Sea-Level Curve");
    auto* grid = new QGridLayout(this);
    name_ = new QLabel(this);
    name_->setObjectName("curve_name");
    range_ = new QLabel(this);
    range_->setObjectName("curve_range");
    plot_ = new CurvePlot(this);
    auto* load = new QPushButton("Load...", this);
    load->setObjectName("load");
    sinusoids_ = new QPushButton("Use Sinusoids", this);
    sinusoids_->setObjectName("use_sinusoids");
    grid->addWidget(new QLabel("Curve:", this), 0, 0);
    grid->addWidget(name_, 0, 1);
    grid->addWidget(new QLabel("Range:", this), 1, 0);
    grid->addWidget(range_, 1, 1);
    grid->addWidget(plot_, 2, 0, 1, 2);
    auto* row = new QHBoxLayout;
    row->addWidget(load);
    row->addWidget(sinusoids_);
    row->addStretch();
    grid->addLayout(row, 3, 0, 1, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(buttons, 4, 0, 1, 2);
    connect(load, &QPushButton::clicked, this, [this] {
        const QString path =
            services_.openFileName(this, "Sea-level curves (*.csv);;All Files (*.*)");
        if (!path.isEmpty()) {
            loadFile(path);
        }
    });
    connect(sinusoids_, &QPushButton::clicked, this, &SeaLevelCurveDialog::useSinusoids);
    showCurve();
}

bool SeaLevelCurveDialog::loadFile(const QString& path) {
    try {
        curve_ = read_sea_level_csv(localFileNameBytes(path), totaltime_);
    } catch (const std::exception& e) {
        services_.showMessage(this, QString::fromStdString(e.what()));
        return false;
    }
    showCurve();
    return true;
}

void SeaLevelCurveDialog::useSinusoids() {
    curve_ = nullptr;
    showCurve();
}

void SeaLevelCurveDialog::showCurve() {
    static_cast<CurvePlot*>(plot_)->setCurve(curve_.get());
    sinusoids_->setEnabled(curve_ != nullptr);
    if (curve_ == nullptr) {
        name_->setText("none: the sinusoids of Sea-Level Variation");
        range_->setText("");
        return;
    }
    const auto& points = curve_->points();
    const auto [low, high] = std::minmax_element(
        points.begin(), points.end(),
        [](const SeaLevelPoint& a, const SeaLevelPoint& b) { return a.level < b.level; });
    name_->setText(QString::fromStdString(curve_->name()));
    QString range = QString("%1 to %2 kyr, %3 to %4 m, %5 points")
                        .arg(kyr(curve_->start_time()), kyr(curve_->end_time()))
                        .arg(QString::fromStdString(format_fixed(low->level, 0, 2)),
                             QString::fromStdString(format_fixed(high->level, 0, 2)))
                        .arg(points.size());
    if (!curve_->covers(totaltime_)) {
        range += QString("; does not span the run's %1 kyr").arg(kyr(totaltime_));
    }
    range_->setText(range);
}

}  // namespace vendrel
