#include "app/section_view.h"

#include <QImage>
#include <QPainter>

#include "app/document.h"
#include "view/section_renderer.h"
#include "view/section_snapshot.h"

namespace vendrel {

SectionView::SectionView(Document& document, NavigationState& navigation, QWidget* parent)
    : QWidget(parent), document_(document), navigation_(navigation) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the picture covers every pixel: no erase
    setFocusPolicy(Qt::StrongFocus);
}

void SectionView::paintEvent(QPaintEvent*) {
    navigation_.dpi_scale = logicalDpiY() > 0 ? logicalDpiY() / 96.0 : 1.0;
    const SectionSnapshot snapshot = take_section_snapshot(document_.project());
    QImage picture(size(), QImage::Format_RGB32);
    {
        QPainter painter(&picture);
        render_section(painter, snapshot, navigation_, size());
    }
    QPainter(this).drawImage(0, 0, picture);
}

}  // namespace vendrel
