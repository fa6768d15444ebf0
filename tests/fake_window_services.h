#pragma once
// Window services that answer from a script and record what was shown.

#include <QDialog>
#include <QStringList>
#include <QUrl>
#include <functional>

#include "app/window_services.h"

namespace vendrel::testing {

class FakeWindowServices : public WindowServices {
  public:
    void showMessage(QWidget*, const QString& text, const QString& title = {}) override {
        messages.append(text);
        titles.append(title);
    }
    QString bitmapFileName(QWidget*) override { return next_bitmap; }
    SaveAnswer askSaveChanges(QWidget*, const QString& name) override {
        prompts.append(name);
        return save_answer;
    }
    QString openFileName(QWidget*, const QString&) override {
        if (on_open) {
            on_open();
        }
        return next_open;
    }
    QString saveFileName(QWidget*, const QString& title, const QString& proposed,
                         const QString&) override {
        save_titles.append(title);
        proposed_names.append(proposed);
        return next_save;
    }
    int execDialog(QDialog& dialog) override {
        return answer_dialog ? answer_dialog(dialog) : int(QDialog::Rejected);
    }

    bool openUrl(const QUrl& url) override {
        opened_urls.append(url);
        return true;
    }

    QStringList messages;
    QStringList titles;
    QString next_bitmap;
    QStringList prompts;
    QStringList proposed_names;
    QStringList save_titles;
    SaveAnswer save_answer = SaveAnswer::No;
    QString next_open;
    QString next_save;
    std::function<int(QDialog&)> answer_dialog;
    std::function<void()> on_open;  // called as the open dialog shows
    QList<QUrl> opened_urls;
};

}  // namespace vendrel::testing
