#include "app/section_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "app/document.h"
#include "view/report_figure.h"
#include "view/section_picture.h"
#include "view/wheeler_diagram.h"

namespace vendrel {

SectionView::SectionView(Document& document, NavigationState& navigation, QWidget* parent)
    : QWidget(parent), document_(document), navigation_(navigation) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the picture covers every pixel: no erase
    setFocusPolicy(Qt::StrongFocus);
}

void SectionView::paintEvent(QPaintEvent*) {
    navigation_.dpi_scale = devicePixelRatioF();
    const SectionSnapshot snapshot = take_section_snapshot(document_.project());
    QPainter(this).drawImage(
        0, 0,
        wheeler_ ? wheeler_picture(snapshot, size(), devicePixelRatioF(), style_)
                 : section_picture(snapshot, navigation_, size(), devicePixelRatioF(), style_));
}

void SectionView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const double max_x = document_.simulation().params().max_x;
    const QPointF at = event->position();
    if (wheeler_ || style_ == SectionStyle::Report) {
        // The diagram and the figure span x from 0 to max_x across their plot.
        const QRectF plot = wheeler_ ? wheeler_layout(size()).plot : report_layout(size()).plot;
        emit pressedAt((std::floor(at.x()) + 0.5 - plot.left()) / plot.width() * max_x);
        return;
    }
    const double ratio = devicePixelRatioF();
    const QSize device = section_picture_size(size(), ratio);
    const ViewMapping mapping(navigation_, max_x, document_.simulation().params().max_y,
                              device.width(), device.height());
    emit pressedAt(mapping.x_at(std::floor(at.x() * ratio) + 0.5));
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
