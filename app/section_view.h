#pragma once
// The section view: every paint brings its copy of the published model up
// to date (pausing a run for one step boundary at most; only the horizons
// changed since the last paint are copied), draws the picture off-screen
// with the section renderer and puts it on the window in one copy, so a
// repaint during a run never shows a half-drawn section.

#include <QWidget>

#include "view/navigation.h"
#include "view/section_picture.h"

namespace vendrel {

class Document;

class SectionView : public QWidget {
    Q_OBJECT

  public:
    SectionView(Document& document, NavigationState& navigation, QWidget* parent = nullptr);

    // The section picture or the report figure; a setting of the window,
    // not of the project.
    SectionStyle style() const { return style_; }
    void setStyle(SectionStyle style);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Document& document_;
    NavigationState& navigation_;
    SectionStyle style_ = SectionStyle::Section;
    SectionSnapshot snapshot_;  // kept from paint to paint
};

}  // namespace vendrel
