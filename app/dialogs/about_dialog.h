#pragma once

#include <QDialog>

namespace vendrel {

// The About box: the program's name, version and maker.
class AboutDialog : public QDialog {
    Q_OBJECT

  public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace vendrel
