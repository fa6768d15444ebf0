#pragma once
// The one document: the life of a project (New, Open, Save, Save As), its
// path, its modified flag and its title. The model itself is the
// simulation the document owns.
//
// Titles: a new document is "New Simulation"; a saved or opened one takes
// its file name; a modified document's title ends with one "*", which is
// kept out of the name a save dialog proposes.
//
// A run is never lost: once the engine changes the model after a save (it
// publishes a horizon or ends a run), the document counts as modified again.
//
// The engine's repaint requests reach the view through a RepaintPacer, at a
// screen's pace; the one that tells the end of a run passes at once.

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

#include "app/repaint_notifier.h"
#include "app/repaint_pacer.h"
#include "document/project.h"

class QWidget;

namespace vendrel {

class RecentFiles;
class WindowServices;

inline const char* const kNewDocumentTitle = "New Simulation";
inline const char* const kProjectFilter = "Vendrel Files (*.vdl)";

class Document : public QObject {
    Q_OBJECT

  public:
    Document(const ModelParameters& startup, WindowServices& services, RecentFiles& recent);
    ~Document() override;

    Project& project() { return *project_; }
    Simulation& simulation() { return project_->simulation(); }
    DisplaySettings& display() { return project_->display(); }
    RepaintNotifier& notifier() { return notifier_; }
    // The view tells it how long its pictures take.
    RepaintPacer& repaintPacer() { return pacer_; }
    void setDialogParent(QWidget* parent) { dialogParent_ = parent; }

    const QString& title() const { return title_; }
    const QString& currentFile() const { return path_; }
    bool isModified() const { return modified_; }

    void setTitle(const QString& title);
    // Sets the flag; the title gains or loses its one trailing "*".
    void setModified(bool modified);
    // The path, the recent-file list when `addToRecent`, and the file name
    // as the title.
    void setCurrentFile(const QString& path, bool addToRecent);

    // The commands as the user gives them. Each returns false when it did
    // not happen (cancelled, or a file that could not be read or written).
    bool maybeSave();  // asks about unsaved changes; false: the user cancelled
    bool newFile();
    bool loadFile(const QString& path);  // after the save prompt
    void open();                         // the prompt, then the file dialog
    bool save();
    bool saveAs();
    // Saves to `path`, or to a path the user chooses when it is empty; the
    // document takes the new path when `replace`.
    bool saveFile(const QString& path, bool replace);

  signals:
    void titleChanged(const QString& title);
    void modelChanged();  // the view should repaint
    void replaced();      // New or Open put another project in place

  private:
    void engineAdvanced();
    bool writeFile(const QString& path);

    WindowServices& services_;
    RecentFiles& recent_;
    std::unique_ptr<Project> project_;
    RepaintNotifier notifier_;
    QWidget* dialogParent_ = nullptr;
    QString title_;
    QString path_;
    bool modified_ = false;
    // The engine's request count when the model was last as the file has it.
    std::uint64_t cleanCount_ = 0;
    RepaintPacer pacer_;
};

}  // namespace vendrel
