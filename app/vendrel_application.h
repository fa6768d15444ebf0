#pragma once
// The application object, beside QApplication: start-up as a single
// instance, the document and the main window, and the program's own
// commands (run control, the parameter dialogs, the display toggles,
// navigation, export and printing).
//
// How a command reaches the model: a menu item or shortcut triggers its
// QAction (main_window.h), whose work runs here or in the document. A
// dialog's OK stores into the parameters only inside the simulation's write
// guard (change_parameters: the run is stopped and the engine idle first),
// then the model is reset, the document marked modified and the view
// repainted. Display settings are never seen by the engine and change
// directly. Nothing here touches the model state but through a guard.

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <functional>
#include <memory>

#include "app/document.h"
#include "app/instance_channel.h"
#include "app/main_window.h"
#include "app/recent_files.h"
#include "app/single_instance_guard.h"
#include "app/window_services.h"
#include "core/display_settings.h"
#include "core/model_parameters.h"
#include "view/display_toggles.h"
#include "view/navigation.h"

namespace vendrel {

class BitmapExport;
class SectionPrinter;
class ParameterDialog;

class VendrelApplication : public QObject {
    Q_OBJECT

  public:
    // `services` answers dialogs and message boxes; nullptr uses Qt's.
    explicit VendrelApplication(WindowServices* services = nullptr);
    ~VendrelApplication() override;

    // Start-up: the instance guard, the settings, the document (New, or
    // Open of `project` when given), the main window shown, and the socket
    // on which later launches hand over their files. A project that fails
    // to open is reported and the program goes on with a new document.
    // False when this copy does not go on: either another copy of this user
    // runs and `project` (or a request to come to the front) has been
    // handed to it, or one line on stderr said why not (launchStatus()
    // tells which). The lock and the socket are those of the user's
    // instance folder (instance_folder.h) unless named here.
    bool start(const QString& project = {}, bool show = true, const QString& lockPath = {},
               const QString& socketName = {});
    // After start returned false: 0 when the project was handed to
    // the running copy, 1 when it was not.
    int launchStatus() const { return launchStatus_; }
    // Before the program exits: the socket and the lock are let go.
    void finish();

    Document& document() { return *document_; }
    MainWindow& mainWindow() { return *window_; }
    RecentFiles& recentFiles() { return *recent_; }
    NavigationState& navigation() { return navigation_; }
    WindowServices& services() { return *services_; }
    // The parameter changes of the dialogs, to undo and redo; New and Open
    // clear it.
    QUndoStack& undoStack() { return undoStack_; }

    // Whether a run is in progress, as runningChanged last told it.
    bool isRunning() const { return running_; }
    // Emits runningChanged when the engine's state differs from the last
    // one told: after every command and whenever the engine reports.
    void updateRunning();

    void markDocumentModified();
    void repaintMainWindow();
    // The tail of a model-parameter dialog's OK: `store` writes the values
    // inside the model's write guard (the run stopped, the engine idle),
    // the counters go back to 1 and the model is reset with its geometry
    // rebuilt; then the document is marked modified (unless told
    // otherwise) and the window repaints.
    void applyDialogChanges(const std::function<void(ModelParameters&)>& store,
                            bool markModified = true);

    // The commands. `name` is the command's, as its undo step says it.
    template <class Dialog>
    void editParameters(const QString& name, bool markModified = true) {
        Dialog dialog(services(), document().simulation().params(), document().display(),
                      &mainWindow());
        applyParameterDialog(dialog, name, markModified);
    }
    void editRuntime();
    // Sea-Level Curve: the measured curve, undoable as a dialog's OK.
    void editSeaLevelCurve();
    void setThreadCount();
    void displayPreferences();
    void toggleColourMode(ColourFlag mode);
    void toggleTimeLines();
    void toggleSeaLevel();
    void toggleBathymetryMarker();
    void navigate(void (*move)(NavigationState&));
    void startSimulation();
    void stopSimulation();
    void openRecent(int index);
    void saveBitmap();
    void print();
    void printPreview();
    // File > Export Figure...: the report figure of the present model as
    // SVG, PDF or PNG (by the suffix chosen) at the size of the section
    // area without the panels docked beside it; a PNG at the screen's
    // pixels, as the view draws it (a scaled screen has more pixels than
    // the figure has figure pixels).
    void exportFigure();
    void printSetup();
    void about();
    void technicalDetails();
    void userGuide();

    // What a later launch asked for: the window comes to the front, then
    // the file (if any) opens after the save prompt.
    void carryOutRequest(const InstanceChannel::Request& request);
    InstanceChannel* instanceChannel() { return channel_.get(); }

  signals:
    void runningChanged(bool running);
    // A dialog's change (or its undo) reset the model.
    void modelReset();

  private:
    // Shows the dialog; on OK stores it and applies the change, which
    // becomes an undo step when the parameter set is not as it was.
    void applyParameterDialog(ParameterDialog& dialog, const QString& name, bool markModified);
    // A display change: `change` edits the display settings; then the
    // document is marked modified and the window repaints. No reset.
    void changeDisplay(const std::function<void(DisplaySettings&)>& change);

    std::unique_ptr<WindowServices> ownServices_;
    WindowServices* services_;
    SingleInstanceGuard guard_;
    NavigationState navigation_;
    std::unique_ptr<RecentFiles> recent_;
    std::unique_ptr<Document> document_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<SectionPrinter> printer_;
    std::unique_ptr<InstanceChannel> channel_;
    QUndoStack undoStack_;
    std::int32_t savedColourMode_ = 1;
    bool running_ = false;
    int launchStatus_ = 0;
};

}  // namespace vendrel
