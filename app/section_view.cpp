#include "app/section_view.h"

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
    navigation_.dpi_scale = devicePixelRatioF();
    const SectionSnapshot snapshot = take_section_snapshot(document_.project());
    QPainter(this).drawImage(
        0, 0,
        wheeler_ ? wheeler_picture(snapshot, size(), devicePixelRatioF(), style_)
                 : section_picture(snapshot, navigation_, size(), devicePixelRatioF(), style_));
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
