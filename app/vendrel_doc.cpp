#include "app/vendrel_doc.h"

#include <QFileInfo>

#include "app/recent_files.h"
#include "app/window_services.h"
#include "document/project_writer.h"
#include "document/save_target.h"

namespace vendrel {

CVendrelDoc::CVendrelDoc(const ModelParameters& startup, WindowServices& services,
                         RecentFiles& recent)
    : services_(services), recent_(recent), project_(std::make_unique<Project>(startup)) {}

CVendrelDoc::~CVendrelDoc() = default;

void CVendrelDoc::SetTitle(const QString& title) {
    title_ = title;
    emit titleChanged(title_);
}

void CVendrelDoc::SetModifiedFlag(bool modified) {
    modified_ = modified;
    if (modified && !title_.endsWith('*')) {
        SetTitle(title_ + "*");
    } else if (!modified && title_.endsWith('*')) {
        SetTitle(title_.chopped(1));
    }
}

void CVendrelDoc::SetPathName(const QString& path, bool add_to_recent) {
    path_ = QFileInfo(path).absoluteFilePath();
    if (add_to_recent) {
        recent_.add(path_);
    }
    SetTitle(QFileInfo(path_).fileName());
}

bool CVendrelDoc::OnNewDocument() {
    path_.clear();
    SetModifiedFlag(false);
    project_->simulation().new_model();
    emit modelChanged();
    return true;
}

bool CVendrelDoc::OnOpenDocument(const QString& path) {
    try {
        project_->open(path.toStdString());
    } catch (const FileError& e) {
        services_.show_message(dialog_parent_, QString::fromStdString(e.what()));
        return false;
    }
    emit modelChanged();
    return true;
}

bool CVendrelDoc::OnSaveDocument(const QString& path) {
    try {
        save_project_file(path.toStdString(), project_->snapshot());
    } catch (const FileError& e) {
        services_.show_message(dialog_parent_, QString::fromStdString(e.what()));
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

bool CVendrelDoc::DoSave(const QString& path, bool replace) {
    const QString remembered = title_;
    if (title_.endsWith('*')) {
        SetTitle(title_.chopped(1).trimmed());
    }
    QString target = path;
    if (target.isEmpty()) {
        const QString proposed = path_.isEmpty() ? title_ + ".vdl" : path_;
        target = services_.save_file_name(dialog_parent_, proposed, kProjectFilter);
    }
    bool saved = !target.isEmpty() && OnSaveDocument(target);
    if (saved && replace) {
        SetPathName(target, true);
    }
    if (!saved && modified_) {
        SetTitle(remembered);
    }
    return saved;
}

bool CVendrelDoc::SaveModified() {
    if (!modified_) {
        return true;
    }
    const QString name = path_.isEmpty() ? title_.chopped(title_.endsWith('*') ? 1 : 0)
                                         : QFileInfo(path_).fileName();
    switch (services_.ask_save_changes(dialog_parent_, name)) {
        case WindowServices::SaveAnswer::Yes:
            return save();
        case WindowServices::SaveAnswer::No:
            return true;
        case WindowServices::SaveAnswer::Cancel:
            break;
    }
    return false;
}

bool CVendrelDoc::new_document() {
    if (!SaveModified()) {
        return false;
    }
    SetTitle(kNewDocumentTitle);
    return OnNewDocument();
}

bool CVendrelDoc::open_document(const QString& path) {
    const bool was_modified = modified_;
    SetModifiedFlag(false);
    if (!OnOpenDocument(path)) {
        SetModifiedFlag(was_modified);
        return false;
    }
    SetPathName(path, true);
    return true;
}

void CVendrelDoc::open_with_dialog() {
    if (!SaveModified()) {
        return;
    }
    const QString path = services_.open_file_name(dialog_parent_, kProjectFilter);
    if (!path.isEmpty()) {
        open_document(path);
    }
}

bool CVendrelDoc::save() {
    // target_writable also refuses a read-only file when running as root.
    if (path_.isEmpty() || !QFileInfo::exists(path_) || !target_writable(path_.toStdString())) {
        return save_as();
    }
    return DoSave(path_, true);
}

bool CVendrelDoc::save_as() {
    return DoSave(QString(), true);
}

}  // namespace vendrel
