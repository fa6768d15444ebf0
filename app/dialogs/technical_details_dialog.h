#pragma once

#include <QDialog>

namespace vendrel {

// The Geeky Details box: how the program is built, in three paragraphs.
class TechnicalDetailsDialog : public QDialog {
    Q_OBJECT

  public:
    explicit TechnicalDetailsDialog(QWidget* parent = nullptr);
};

}  // namespace vendrel
