#pragma once
// The section view: every paint brings its copy of the published model up
// to date (pausing a run for one step boundary at most; only the horizons
// changed since the last paint are copied), draws the picture off-screen
// with the section renderer and puts it on the window in one copy, so a
// repaint during a run never shows a half-drawn section. It may show the
// Wheeler diagram of the same snapshot instead, drawn the same way.

#include <QWidget>
#include <optional>

#include "view/navigation.h"
#include "view/section_picture.h"

class QPainter;

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
    // The Wheeler diagram (in the same style) instead of the section.
    bool showsWheeler() const { return wheeler_; }
    void setShowsWheeler(bool shown);
    // Marks the column of the pseudo-well at x (m) with a dashed vertical
    // line over the section, the report figure or the Wheeler diagram
    // (the column nearest to x, as the well logs it); none when empty or
    // beside the section.
    void setWellPosition(std::optional<double> x);
    std::optional<double> wellPosition() const { return well_; }

  signals:
    // The left mouse button went down over position x (m) of the section:
    // the position of the column the picture shown draws under the pointer
    // (in the report figure, the x at the centre of the pixel pressed); x
    // lies outside 0..max_x beside the section.
    void pressedAt(double x);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    // The well's mark over the picture just drawn (logical pixels).
    void paintWellMark(QPainter& painter);

    Document& document_;
    NavigationState& navigation_;
    SectionStyle style_ = SectionStyle::Section;
    bool wheeler_ = false;
    SectionSnapshot snapshot_;  // kept from paint to paint
    std::optional<double> well_;
};

}  // namespace vendrel
