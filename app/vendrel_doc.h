#pragma once
// The one document: the life of a project (New, Open, Save, Save As), its
// path, its modified flag and its title. The model itself is the
// simulation the document owns.
//
// Titles: a new document is "New Simulation"; a saved or opened one takes
// its file name; a modified document's title ends with one "*", which is
// kept out of the name a save dialog proposes.

#include <QObject>
#include <QString>
#include <memory>

#include "document/project.h"

class QWidget;

namespace vendrel {

class RecentFiles;
class WindowServices;

inline const char* const kNewDocumentTitle = "New Simulation";
inline const char* const kProjectFilter = "Vendrel Files (*.vdl)";

class CVendrelDoc : public QObject {
    Q_OBJECT

  public:
    CVendrelDoc(const ModelParameters& startup, WindowServices& services, RecentFiles& recent);
    ~CVendrelDoc() override;

    Project& project() { return *project_; }
    Simulation& simulation() { return project_->simulation(); }
    void set_dialog_parent(QWidget* parent) { dialog_parent_ = parent; }

    const QString& title() const { return title_; }
    const QString& path_name() const { return path_; }
    bool IsModified() const { return modified_; }

    void SetTitle(const QString& title);
    void SetModifiedFlag(bool modified);
    void SetPathName(const QString& path, bool add_to_recent);
    bool OnNewDocument();
    bool OnOpenDocument(const QString& path);
    bool OnSaveDocument(const QString& path);
    bool DoSave(const QString& path, bool replace);

    // The commands as the user gives them.
    bool SaveModified();  // false: the user cancelled
    bool new_document();
    bool open_document(const QString& path);  // after the save prompt
    void open_with_dialog();
    bool save();
    bool save_as();

  signals:
    void titleChanged(const QString& title);
    void modelChanged();  // the view should repaint

  private:
    WindowServices& services_;
    RecentFiles& recent_;
    std::unique_ptr<Project> project_;
    QWidget* dialog_parent_ = nullptr;
    QString title_;
    QString path_;
    bool modified_ = false;
};

}  // namespace vendrel
