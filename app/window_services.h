#pragma once
// The window-system services the shell calls: message boxes, the save
// prompt, file dialogs and modal dialogs. The program uses Qt's; tests
// supply answers without showing anything.

#include <QString>

class QDialog;
class QWidget;

namespace vendrel {

class WindowServices {
  public:
    enum class SaveAnswer { Yes, No, Cancel };

    virtual ~WindowServices() = default;
    // A modal message box with an OK button; the title defaults to the
    // program's name.
    virtual void show_message(QWidget* parent, const QString& text, const QString& title = {}) = 0;
    // "Save changes to <name>?" with Yes, No and Cancel.
    virtual SaveAnswer ask_save_changes(QWidget* parent, const QString& name) = 0;
    // A file to open, or an empty string when the user cancels.
    virtual QString open_file_name(QWidget* parent, const QString& filter) = 0;
    // A file to save to, proposing `proposed`; empty when the user cancels.
    virtual QString save_file_name(QWidget* parent, const QString& proposed,
                                   const QString& filter) = 0;
    // The picture file for Save Increment as Bitmap: "Select Output Bmp
    // File", starting as increment.bmp in the folder savedincrements (made
    // when missing), suffix bmp added, no overwrite prompt. Empty: cancelled.
    virtual QString bitmap_file_name(QWidget* parent) = 0;
    // Shows a dialog modally; returns QDialog::Accepted or Rejected.
    virtual int exec_dialog(QDialog& dialog) = 0;
};

// The services as Qt provides them.
class QtWindowServices : public WindowServices {
  public:
    void show_message(QWidget* parent, const QString& text, const QString& title = {}) override;
    QString bitmap_file_name(QWidget* parent) override;
    SaveAnswer ask_save_changes(QWidget* parent, const QString& name) override;
    QString open_file_name(QWidget* parent, const QString& filter) override;
    QString save_file_name(QWidget* parent, const QString& proposed,
                           const QString& filter) override;
    int exec_dialog(QDialog& dialog) override;
};

}  // namespace vendrel
