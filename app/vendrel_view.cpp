#include "app/vendrel_view.h"

#include <QPainter>

#include "app/vendrel_doc.h"
#include "view/section_picture.h"

namespace vendrel {

CVendrelView::CVendrelView(CVendrelDoc& doc, NavigationState& navigation, QWidget* parent)
    : QWidget(parent), doc_(doc), navigation_(navigation) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the picture covers every pixel: no erase
    setFocusPolicy(Qt::StrongFocus);
}

void CVendrelView::paintEvent(QPaintEvent*) {
    navigation_.dpi_scale = devicePixelRatioF();
    const SectionSnapshot snapshot = take_section_snapshot(doc_.project());
    QPainter(this).drawImage(0, 0,
                             section_picture(snapshot, navigation_, size(), devicePixelRatioF()));
}

}  // namespace vendrel
