#pragma once
// The section view: every paint copies the published model (pausing a run
// for one step boundary at most), draws the picture off-screen with the
// section renderer and puts it on the window in one copy, so a repaint
// during a run never shows a half-drawn section.

#include <QWidget>

#include "view/navigation.h"

namespace vendrel {

class Document;

class SectionView : public QWidget {
    Q_OBJECT

  public:
    SectionView(Document& document, NavigationState& navigation, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Document& document_;
    NavigationState& navigation_;
};

}  // namespace vendrel
