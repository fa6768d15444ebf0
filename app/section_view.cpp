#include "app/section_view.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <vector>

#include "app/document.h"
#include "document/pseudo_well.h"
#include "view/report_figure.h"
#include "view/section_picture.h"
#include "view/section_renderer.h"
#include "view/wheeler_diagram.h"

namespace vendrel {

SectionView::SectionView(Document& document, NavigationState& navigation, QWidget* parent)
    : QWidget(parent), document_(document), navigation_(navigation) {
    setObjectName("sectionView");
    setAccessibleName("Section");
    setAccessibleDescription("The cross-section, its report figure or its Wheeler diagram");
    setAttribute(Qt::WA_OpaquePaintEvent);  // the picture covers every pixel: no erase
    setFocusPolicy(Qt::StrongFocus);
}

void SectionView::paintEvent(QPaintEvent*) {
    QElapsedTimer clock;
    clock.start();
    navigation_.dpi_scale = devicePixelRatioF();
    update_section_snapshot(snapshot_, document_.project());
    QPainter painter(this);
    painter.drawImage(
        0, 0,
        wheeler_ ? wheeler_picture(snapshot_, size(), devicePixelRatioF(), style_)
                 : section_picture(snapshot_, navigation_, size(), devicePixelRatioF(), style_));
    if (well_) {
        paintWellMark(painter);
    }
    document_.repaintPacer().pictureDrawn(clock.elapsed());
}

void SectionView::paintWellMark(QPainter& painter) {
    const ModelParameters& p = snapshot_.params;
    int column = 0;
    try {
        column = well_column(p, snapshot_.x_values.data(), *well_);
    } catch (const WellOutsideSectionError&) {
        return;
    }
    const double x = snapshot_.x_values[std::size_t(column)];
    double at = 0, top = 0, bottom = height();
    if (wheeler_) {
        // Column j's cells span (j - 1) .. j of 2000 parts of the plot.
        const QRectF plot = wheeler_layout(size()).plot;
        at = plot.left() + (column - 0.5) / COLUMN_COUNT * plot.width();
        top = plot.top();
        bottom = plot.bottom();
    } else if (style_ == SectionStyle::Report) {
        const QRectF plot = report_layout(size()).plot;
        at = plot.left() + x / p.max_x * plot.width();
        top = plot.top();
        bottom = plot.bottom();
    } else {
        // The middle of the column's flat step, from its x to the next's.
        const double ratio = devicePixelRatioF();
        const QSize device = section_picture_size(size(), ratio);
        const ViewMapping mapping(navigation_, p.max_x, p.max_y, device.width(), device.height());
        const double next = column < COLUMN_COUNT ? snapshot_.x_values[std::size_t(column) + 1] : x;
        at = (mapping.X(x) + mapping.X(next) + 1) / 2.0 / ratio;
    }
    if (!std::isfinite(at)) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::white, 3));
    painter.drawLine(QPointF(at, top), QPointF(at, bottom));
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.drawLine(QPointF(at, top), QPointF(at, bottom));
    painter.restore();
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

void SectionView::setWellPosition(std::optional<double> x) {
    well_ = x;
    update();
}

}  // namespace vendrel
