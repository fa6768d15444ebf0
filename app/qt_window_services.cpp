#include "app/qt_window_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QUrl>

namespace vendrel {
namespace {

// Icons and type names from what a listing already knows (a file's name and
// whether it is a folder), never from its contents.
class NameOnlyIconProvider : public QFileIconProvider {
  public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override {
        if (info.isRoot()) {
            return icon(Drive);
        }
        return icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override {
        if (info.isRoot()) {
            return "Drive";
        }
        if (info.isDir()) {
            return "Folder";
        }
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? QString("File") : suffix.toUpper() + " File";
    }
};

bool isPseudoFileSystem(const QString& canonical) {
    for (const char* root : {"/proc", "/sys", "/dev"}) {
        if (canonical == root || canonical.startsWith(QString(root) + "/")) {
            return true;
        }
    }
    return false;
}

}  // namespace

QtWindowServices::QtWindowServices() : icons_(std::make_unique<NameOnlyIconProvider>()) {}

QtWindowServices::~QtWindowServices() = default;

// Never empty: given no folder, Qt's dialog starts in the folder any
// dialog of the session last showed, which may be /proc.
QString QtWindowServices::startFolder(const QString& folder) {
    const QString wanted = folder.isEmpty() ? QDir::currentPath() : folder;
    // The nearest folder that exists, links followed.
    QString path = QDir::cleanPath(QFileInfo(wanted).absoluteFilePath());
    while (!QFileInfo::exists(path) && path != QDir::rootPath()) {
        path = QFileInfo(path).absolutePath();
    }
    return isPseudoFileSystem(QFileInfo(path).canonicalFilePath()) ? QDir::homePath() : wanted;
}

void QtWindowServices::prepare(QFileDialog& dialog) const {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons);
    dialog.setIconProvider(icons_.get());
}

void QtWindowServices::remember(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    if (startFolder(folder) == folder) {
        lastFolder_ = folder;
    }
}

void QtWindowServices::showMessage(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox::warning(parent, title.isEmpty() ? QApplication::applicationDisplayName() : title,
                         text, QMessageBox::Ok);
}

QString QtWindowServices::bitmapFileName(QWidget* parent) {
    QDir().mkpath("savedincrements");
    QFileDialog dialog(parent, "Select Output Bmp File", startFolder("savedincrements"),
                       "Bitmaps (*.bmp);;All Files (*.*)");
    prepare(dialog);
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
    QFileDialog dialog(parent, "Open", startFolder(lastFolder_), filter);
    prepare(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    const QString path = dialog.selectedFiles().first();
    remember(path);
    return path;
}

QString QtWindowServices::saveFileName(QWidget* parent, const QString& title,
                                       const QString& proposed, const QString& filter) {
    // A proposed name without a folder (a new document's) goes into the
    // last folder used, and so does one in a folder a dialog may not start
    // in.
    const QFileInfo name(proposed);
    const bool bare = name.fileName() == proposed;
    const bool allowed = bare || startFolder(name.absolutePath()) == name.absolutePath();
    QFileDialog dialog(parent, title,
                       startFolder(allowed && !bare ? name.absolutePath() : lastFolder_), filter);
    prepare(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without a suffix takes the first filter's ("vdl" for
    // projects).
    const QString first = filter.section(";;", 0, 0);
    const qsizetype star = first.indexOf("*.");
    const qsizetype end = first.indexOf(QRegularExpression("[ )]"), star);
    dialog.setDefaultSuffix(star < 0 ? QString("vdl") : first.mid(star + 2, end - star - 2));
    dialog.selectFile(allowed ? proposed : name.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    const QString path = dialog.selectedFiles().first();
    remember(path);
    return path;
}

int QtWindowServices::execDialog(QDialog& dialog) {
    return dialog.exec();
}

bool QtWindowServices::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace vendrel
