#pragma once
// The section view: every paint copies the published model (pausing a run
// for one step boundary at most), draws the picture off-screen with the
// section renderer and puts it on the window in one copy, so a repaint
// during a run never shows a half-drawn section.

#include <QWidget>

#include "view/navigation.h"
#include "view/section_snapshot.h"

namespace vendrel {

class CVendrelDoc;

class CVendrelView : public QWidget {
    Q_OBJECT

  public:
    CVendrelView(CVendrelDoc& doc, NavigationState& navigation, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    CVendrelDoc& doc_;
    NavigationState& navigation_;
};

}  // namespace vendrel
