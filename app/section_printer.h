#pragma once
// Print, Print Preview and Print Setup of what the section view shows,
// fitted to one page: the print picture of a window the size of the view,
// or, in report style, the report figure of that size, or the Wheeler
// diagram in the view's style. The printer and its settings live as long
// as the printer object, so Print Setup applies to the next Print.

#include <QSize>
#include <memory>

#include "view/section_picture.h"

class QPrinter;
class QWidget;

namespace vendrel {

class Document;
class WindowServices;
struct NavigationState;

class SectionPrinter {
  public:
    SectionPrinter(Document& document, NavigationState& navigation, WindowServices& services);
    ~SectionPrinter();

    // What the view shows: its size, its style and whether it shows the
    // Wheeler diagram instead of the section.
    struct Shown {
        QSize client;
        SectionStyle style = SectionStyle::Section;
        bool wheeler = false;
    };

    // `parent` owns the dialogs.
    void print(QWidget* parent, const Shown& shown);
    void preview(QWidget* parent, const Shown& shown);
    void setup(QWidget* parent);

  private:
    QPrinter& printer();
    void paint(QPrinter* target, const Shown& shown);

    Document& document_;
    NavigationState& navigation_;
    WindowServices& services_;
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace vendrel
