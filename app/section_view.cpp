#include "app/section_view.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <vector>

#include "app/document.h"
#include "view/report_figure.h"
#include "view/section_picture.h"
#include "view/section_renderer.h"
#include "view/wheeler_diagram.h"

namespace vendrel {

SectionView::SectionView(Document& document, NavigationState& navigation, QWidget* parent)
    : QWidget(parent), document_(document), navigation_(navigation) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the picture covers every pixel: no erase
    setFocusPolicy(Qt::StrongFocus);
}

void SectionView::paintEvent(QPaintEvent*) {
    QElapsedTimer clock;
    clock.start();
    navigation_.dpi_scale = devicePixelRatioF();
    update_section_snapshot(snapshot_, document_.project());
    QPainter(this).drawImage(
        0, 0,
        wheeler_ ? wheeler_picture(snapshot_, size(), devicePixelRatioF(), style_)
                 : section_picture(snapshot_, navigation_, size(), devicePixelRatioF(), style_));
    document_.pictureDrawn(clock.elapsed());
}

void SectionView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const double max_x = document_.simulation().params().max_x;
    const QPointF at = event->position();
    if (style_ == SectionStyle::Report && !wheeler_) {
        // The figure spans x from 0 to max_x across its plot and draws the
        // surface through the columns' positions: the nearest column is the
        // one under the pointer.
        const QRectF plot = report_layout(size()).plot;
        emit pressedAt((std::floor(at.x()) + 0.5 - plot.left()) / plot.width() * max_x);
        return;
    }
    double x = 0, fraction = 0;
    if (wheeler_) {
        const QRectF plot = wheeler_layout(size()).plot;
        fraction = (std::floor(at.x()) + 0.5 - plot.left()) / plot.width();
        x = fraction * max_x;
    } else {
        const double ratio = devicePixelRatioF();
        const QSize device = section_picture_size(size(), ratio);
        const ViewMapping mapping(navigation_, max_x, document_.simulation().params().max_y,
                                  device.width(), device.height());
        x = mapping.x_at(std::floor(at.x() * ratio) + 0.5);
    }
    // The position of the column drawn under the pointer, so that the well
    // logs what the user points at (the nearest column may be its neighbour).
    std::vector<double> x_values;
    {
        const Simulation::ReadGuard guard = document_.simulation().read();
        const double* first = guard.state().x_values.data();
        x_values.assign(first, first + COLUMN_SLOTS);
    }
    const int column =
        wheeler_ ? wheeler_column_at(fraction) : section_column_at(x_values.data(), x);
    emit pressedAt(column > 0 ? x_values[std::size_t(column)] : x);
}

void SectionView::setStyle(SectionStyle style) {
    style_ = style;
    update();
}

void SectionView::setShowsWheeler(bool shown) {
    wheeler_ = shown;
    update();
}

}  // namespace vendrel
