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

    // dx and dt as the last picture saw them.
    double shown_dx() const { return shown_dx_; }
    double shown_dt() const { return shown_dt_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CVendrelDoc& doc_;
    NavigationState& navigation_;
    double shown_dx_ = 0;
    double shown_dt_ = 0;
};

}  // namespace vendrel
