#include "app/qt_window_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QUrl>

namespace vendrel {

void QtWindowServices::showMessage(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox::warning(parent, title.isEmpty() ? QApplication::applicationDisplayName() : title,
                         text, QMessageBox::Ok);
}

QString QtWindowServices::bitmapFileName(QWidget* parent) {
    QDir().mkpath("savedincrements");
    QFileDialog dialog(parent, "Select Output Bmp File", "savedincrements",
                       "Bitmaps (*.bmp);;All Files (*.*)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("bmp");
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile("increment.bmp");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().first();
}

WindowServices::SaveAnswer QtWindowServices::askSaveChanges(QWidget* parent, const QString& name) {
    const auto answer = QMessageBox::question(
        parent, QApplication::applicationDisplayName(), QString("Save changes to %1?").arg(name),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Yes) {
        return SaveAnswer::Yes;
    }
    return answer == QMessageBox::No ? SaveAnswer::No : SaveAnswer::Cancel;
}

QString QtWindowServices::openFileName(QWidget* parent, const QString& filter) {
    const QString path = QFileDialog::getOpenFileName(parent, "Open", lastFolder_, filter);
    if (!path.isEmpty()) {
        lastFolder_ = QFileInfo(path).absolutePath();
    }
    return path;
}

QString QtWindowServices::saveFileName(QWidget* parent, const QString& proposed,
                                       const QString& filter) {
    // A proposed name without a folder (a new document's) goes into the
    // last folder used.
    const bool bare = QFileInfo(proposed).fileName() == proposed;
    QFileDialog dialog(parent, "Save As", bare ? lastFolder_ : QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without a suffix takes the first filter's ("vdl" for
    // projects).
    const QString first = filter.section(";;", 0, 0);
    const qsizetype star = first.indexOf("*.");
    const qsizetype end = first.indexOf(QRegularExpression("[ )]"), star);
    dialog.setDefaultSuffix(star < 0 ? QString("vdl") : first.mid(star + 2, end - star - 2));
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    const QString path = dialog.selectedFiles().first();
    lastFolder_ = QFileInfo(path).absolutePath();
    return path;
}

int QtWindowServices::execDialog(QDialog& dialog) {
    return dialog.exec();
}

bool QtWindowServices::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace vendrel
