#pragma once
// Print, Print Preview and Print Setup of the section: the print picture of
// a window the size of the section view, fitted to one page (or, while the
// view shows it, the Wheeler diagram of that size). The printer
// and its settings live as long as the printer object, so Print Setup
// applies to the next Print.

#include <QSize>
#include <memory>
#include <optional>

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

    // `client` is the size of the section view; `parent` owns the dialogs.
    // With `wheeler`, the Wheeler diagram in that style, as the view shows
    // it, instead of the section.
    void print(QWidget* parent, QSize client, std::optional<SectionStyle> wheeler = std::nullopt);
    void preview(QWidget* parent, QSize client, std::optional<SectionStyle> wheeler = std::nullopt);
    void setup(QWidget* parent);

  private:
    QPrinter& printer();
    void paint(QPrinter* target, QSize client, std::optional<SectionStyle> wheeler);

    Document& document_;
    NavigationState& navigation_;
    WindowServices& services_;
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace vendrel
