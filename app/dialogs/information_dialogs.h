#pragma once
// The About box and the Geeky Details box: fixed texts, no data.

#include <QDialog>

namespace vendrel {

class CAboutDlg : public QDialog {
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

class CgeekyDlg : public QDialog {
  public:
    explicit CgeekyDlg(QWidget* parent = nullptr);
};

}  // namespace vendrel
