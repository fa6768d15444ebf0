#include "app/document.h"

#include <QFileInfo>
#include <filesystem>
#include <system_error>

#include "app/local_file_name.h"
#include "app/recent_files.h"
#include "app/window_services.h"
#include "document/project_writer.h"
#include "document/save_target.h"

namespace vendrel {

Document::Document(const ModelParameters& startup, WindowServices& services, RecentFiles& recent)
    : services_(services), recent_(recent), project_(std::make_unique<Project>(startup)) {
    connect(&notifier_, &RepaintNotifier::modelAdvanced, this, &Document::engineAdvanced);
    connect(&pacer_, &RepaintPacer::repaint, this, &Document::modelChanged);
    project_->simulation().set_notifier(&notifier_);
}

Document::~Document() {
    project_->simulation().set_notifier(nullptr);
    project_->simulation().stop_and_wait();
}

void Document::engineAdvanced() {
    if (!modified_ && notifier_.requestCount() != cleanCount_) {
        setModified(true);
    }
    // The end of a run is drawn at once.
    pacer_.request(!project_->simulation().is_running());
}

void Document::setTitle(const QString& title) {
    title_ = title;
    emit titleChanged(title_);
}

void Document::setModified(bool modified) {
    modified_ = modified;
    if (modified && !title_.endsWith('*')) {
        setTitle(title_ + "*");
    } else if (!modified && title_.endsWith('*')) {
        setTitle(title_.chopped(1));
    }
}

void Document::setCurrentFile(const QString& path, bool addToRecent) {
    path_ = absoluteLocalFileName(path);
    if (addToRecent) {
        recent_.add(path_);
    }
    setTitle(QFileInfo(path_).fileName());
}

bool Document::maybeSave() {
    if (!modified_) {
        return true;
    }
    const QString name = path_.isEmpty() ? title_.chopped(title_.endsWith('*') ? 1 : 0)
                                         : QFileInfo(path_).fileName();
    switch (services_.askSaveChanges(dialogParent_, name)) {
        case WindowServices::SaveAnswer::Yes:
            return save();
        case WindowServices::SaveAnswer::No:
            return true;
        case WindowServices::SaveAnswer::Cancel:
            break;
    }
    return false;
}

bool Document::newFile() {
    if (!maybeSave()) {
        return false;
    }
    setTitle(kNewDocumentTitle);
    path_.clear();
    setModified(false);
    project_->simulation().new_model();
    cleanCount_ = notifier_.requestCount();
    emit modelChanged();
    emit replaced();
    return true;
}

bool Document::loadFile(const QString& path) {
    std::string warning;
    try {
        warning = project_->open(localFileNameBytes(path));
    } catch (const FileError& e) {
        services_.showMessage(dialogParent_, QString::fromStdString(e.what()));
        return false;
    }
    // The run that the open stopped has told its end by now.
    cleanCount_ = notifier_.requestCount();
    setModified(false);
    setCurrentFile(path, true);
    emit modelChanged();
    emit replaced();
    // Numbers that are not finite are opened as stored, once said.
    if (!warning.empty()) {
        services_.showMessage(dialogParent_, QString::fromStdString(warning));
    }
    return true;
}

void Document::open() {
    if (!maybeSave()) {
        return;
    }
    const QString path = services_.openFileName(dialogParent_, kProjectFilter);
    if (!path.isEmpty()) {
        loadFile(path);
    }
}

bool Document::writeFile(const QString& path) {
    // Counted before the copy: a horizon published meanwhile makes the
    // document modified again, never the other way round.
    const std::uint64_t count = notifier_.requestCount();
    try {
        save_project_file(localFileNameBytes(path), project_->snapshot());
    } catch (const FileError& e) {
        services_.showMessage(dialogParent_, QString::fromStdString(e.what()));
        return false;
    }
    cleanCount_ = count;
    setModified(false);
    return true;
}

bool Document::saveFile(const QString& path, bool replace) {
    const QString remembered = title_;
    if (title_.endsWith('*')) {
        setTitle(title_.chopped(1).trimmed());
    }
    QString target = path;
    if (target.isEmpty()) {
        const QString proposed = path_.isEmpty() ? title_ + ".vdl" : path_;
        target = services_.saveFileName(dialogParent_, "Save As", proposed, kProjectFilter);
    }
    const bool saved = !target.isEmpty() && writeFile(target);
    if (saved && replace) {
        setCurrentFile(target, true);
    }
    if (!saved && modified_) {
        setTitle(remembered);
    }
    return saved;
}

// A file that is gone or may not be written (read-only, or in a folder
// that may not be written) is saved the way of Save As.
bool Document::save() {
    std::error_code error;
    if (path_.isEmpty() || !std::filesystem::exists(localFileNameBytes(path_), error) ||
        !target_writable(localFileNameBytes(path_))) {
        return saveAs();
    }
    return saveFile(path_, true);
}

bool Document::saveAs() {
    return saveFile(QString(), true);
}

}  // namespace vendrel
