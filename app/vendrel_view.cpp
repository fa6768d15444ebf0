#include "app/vendrel_view.h"

#include <QImage>
#include <QPainter>

#include "app/vendrel_doc.h"
#include "view/section_renderer.h"

namespace vendrel {

CVendrelView::CVendrelView(CVendrelDoc& doc, NavigationState& navigation, QWidget* parent)
    : QWidget(parent), doc_(doc), navigation_(navigation) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the picture covers every pixel: no erase
    setFocusPolicy(Qt::StrongFocus);
}

void CVendrelView::paintEvent(QPaintEvent*) {
    navigation_.dpi_scale = logicalDpiY() > 0 ? logicalDpiY() / 96.0 : 1.0;
    const SectionSnapshot snapshot = take_section_snapshot(doc_.project());
    QImage picture(size(), QImage::Format_RGB32);
    {
        QPainter painter(&picture);
        render_section(painter, snapshot, navigation_, size());
    }
    QPainter(this).drawImage(0, 0, picture);
}

}  // namespace vendrel
