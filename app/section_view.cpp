#include "app/section_view.h"

#include <QElapsedTimer>
#include <QPainter>

#include "app/document.h"
#include "view/section_picture.h"

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
        0, 0, section_picture(snapshot_, navigation_, size(), devicePixelRatioF(), style_));
    document_.pictureDrawn(clock.elapsed());
}

void SectionView::setStyle(SectionStyle style) {
    style_ = style;
    update();
}

}  // namespace vendrel
