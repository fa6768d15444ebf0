#pragma once
// Window services that answer from a script and record what was shown.

#include <QDialog>
#include <QStringList>
#include <functional>

#include "app/window_services.h"

namespace vendrel::testing {

class FakeWindowServices : public WindowServices {
  public:
    void show_message(QWidget*, const QString& text, const QString& title = {}) override {
        messages.append(text);
        titles.append(title);
    }
    QString bitmap_file_name(QWidget*) override { return next_bitmap; }
    SaveAnswer ask_save_changes(QWidget*, const QString& name) override {
        prompts.append(name);
        return save_answer;
    }
    QString open_file_name(QWidget*, const QString&) override { return next_open; }
    QString save_file_name(QWidget*, const QString& proposed, const QString&) override {
        proposed_names.append(proposed);
        return next_save;
    }
    int exec_dialog(QDialog& dialog) override {
        return answer_dialog ? answer_dialog(dialog) : int(QDialog::Rejected);
    }

    QStringList messages;
    QStringList titles;
    QString next_bitmap;
    QStringList prompts;
    QStringList proposed_names;
    SaveAnswer save_answer = SaveAnswer::No;
    QString next_open;
    QString next_save;
    std::function<int(QDialog&)> answer_dialog;
};

}  // namespace vendrel::testing
