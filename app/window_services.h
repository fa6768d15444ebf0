#pragma once
// The window-system services the shell calls: message boxes, the save
// prompt, file dialogs and modal dialogs. The program uses Qt's
// (QtWindowServices); tests supply answers without showing anything.

#include <QString>

class QDialog;
class QUrl;
class QWidget;

namespace vendrel {

class WindowServices {
  public:
    enum class SaveAnswer { Yes, No, Cancel };

    virtual ~WindowServices() = default;
    // A modal message box with an OK button; the title defaults to the
    // program's name.
    virtual void showMessage(QWidget* parent, const QString& text, const QString& title = {}) = 0;
    // "Save changes to <name>?" with Yes, No and Cancel.
    virtual SaveAnswer askSaveChanges(QWidget* parent, const QString& name) = 0;
    // The open and save dialogs start in the folder last chosen in either
    // during this session, but never in /proc, /sys or /dev, and they tell
    // files apart by name only: they never read a file to show its type.
    // A file to open, or an empty string when the user cancels.
    virtual QString openFileName(QWidget* parent, const QString& filter) = 0;
    // A file to save to, proposing `proposed`, in a dialog titled `title`
    // ("Save As" for projects, the command's name for exports); empty when
    // the user cancels.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& proposed,
                                 const QString& filter) = 0;
    // The picture file for Save Increment as Bitmap: "Select Output Bmp
    // File", starting as increment.bmp in the folder savedincrements (made
    // when missing), suffix bmp added, no overwrite prompt. Empty: cancelled.
    virtual QString bitmapFileName(QWidget* parent) = 0;
    // Shows a dialog modally; returns QDialog::Accepted or Rejected.
    virtual int execDialog(QDialog& dialog) = 0;
    // Opens a document (the user guide) in the desktop's viewer; false when
    // none could be started.
    virtual bool openUrl(const QUrl& url) = 0;
};

}  // namespace vendrel
