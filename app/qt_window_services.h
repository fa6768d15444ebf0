#pragma once

#include "app/window_services.h"

namespace vendrel {

// The window-system services as Qt provides them.
class QtWindowServices : public WindowServices {
  public:
    void showMessage(QWidget* parent, const QString& text, const QString& title = {}) override;
    QString bitmapFileName(QWidget* parent) override;
    SaveAnswer askSaveChanges(QWidget* parent, const QString& name) override;
    QString openFileName(QWidget* parent, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& proposed, const QString& filter) override;
    int execDialog(QDialog& dialog) override;
    bool openUrl(const QUrl& url) override;

  private:
    // The folder of the file last chosen to open or save; this session only.
    QString lastFolder_;
};

}  // namespace vendrel
