#pragma once

#include <memory>

#include "app/window_services.h"

class QAbstractFileIconProvider;
class QFileDialog;

namespace vendrel {

// The window-system services as Qt provides them. The file dialogs are
// Qt's own (not the desktop's), with an icon provider that tells files
// apart by their names: Qt's default one reads a file's first bytes to
// name its type, and a file such as /proc/kmsg never ends.
class QtWindowServices : public WindowServices {
  public:
    QtWindowServices();
    ~QtWindowServices() override;

    void showMessage(QWidget* parent, const QString& text, const QString& title = {}) override;
    QString bitmapFileName(QWidget* parent) override;
    SaveAnswer askSaveChanges(QWidget* parent, const QString& name) override;
    QString openFileName(QWidget* parent, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& title, const QString& proposed,
                         const QString& filter) override;
    int execDialog(QDialog& dialog) override;
    bool openUrl(const QUrl& url) override;

    // The folder a file dialog may start in: `folder` (the current folder
    // when empty), or the home folder when that (links followed) is /proc,
    // /sys or /dev or lies inside one of them, where listing may read files
    // that never end or block.
    static QString startFolder(const QString& folder);

  private:
    // The options and the icon provider every file dialog takes.
    void prepare(QFileDialog& dialog) const;
    // Remembers the folder of a file chosen, unless a dialog may not start
    // there.
    void remember(const QString& path);

    std::unique_ptr<QAbstractFileIconProvider> icons_;
    // The folder of the file last chosen to open or save; this session only.
    QString lastFolder_;
};

}  // namespace vendrel
