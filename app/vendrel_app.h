#pragma once
// The application object: start-up as a single instance, the document, the
// main frame, and the program's own commands (run control, the thread
// count, navigation, the file commands).

#include <QObject>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

#include "app/recent_files.h"
#include "app/single_instance.h"
#include "core/display_settings.h"
#include "core/model_parameters.h"
#include "view/navigation.h"

class QPrinter;

namespace vendrel {

class CMainFrame;
class CVendrelDoc;
class WindowServices;
class RepaintNotifier;

class CVendrelApp : public QObject {
    Q_OBJECT

  public:
    // `services` answers dialogs and message boxes; nullptr uses Qt's.
    explicit CVendrelApp(WindowServices* services = nullptr);
    ~CVendrelApp() override;

    // Start-up: the instance guard (false when another copy runs), the
    // settings, the document (New, or Open of `project` when given), the
    // frame shown, the engine's repaints routed to it. A project that fails
    // to open is reported and the program goes on with a new document.
    bool InitInstance(const QString& project = {}, bool show = true,
                      const QString& lock_path = SingleInstanceGuard::default_lock_path());
    int ExitInstance();

    CVendrelDoc& doc() { return *doc_; }
    CMainFrame& frame() { return *frame_; }
    RecentFiles& recent_files() { return *recent_; }
    NavigationState& navigation() { return navigation_; }
    WindowServices& services() { return *services_; }

    bool is_running() const;
    bool handles(int id) const;  // commands with a handler; the rest are greyed
    void on_command(int id);

    void mark_document_modified();
    void repaint_main_window();
    // The tail of a model-parameter dialog's OK: the run is stopped and the
    // engine idle before `store` writes the dialog's values; then the
    // counters go back to 1, the model is reset with its geometry rebuilt,
    // the document is marked modified (unless told otherwise) and the
    // window repaints.
    void apply_dialog_changes(const std::function<void(ModelParameters&)>& store,
                              bool mark_modified = true);

    std::int32_t saved_colour_mode() const { return saved_colour_mode_; }

  private:
    void build_command_table();
    template <class Dialog>
    void run_model_dialog(bool mark_modified = true);
    void display_preferences();
    // A display toggle: `change` edits the display flags; then the document
    // is marked modified and the window repaints. No reset.
    void change_display(const std::function<void(DisplaySettings&)>& change);
    void runtime_dialog();
    void save_bitmap();
    void print(bool preview);
    void print_setup();
    QPrinter& printer();
    void start_simulation();
    void stop_simulation();
    void set_thread_count();
    void open_recent(int index);

    std::unique_ptr<WindowServices> own_services_;
    WindowServices* services_;
    SingleInstanceGuard guard_;
    NavigationState navigation_;
    std::unique_ptr<RecentFiles> recent_;
    std::unique_ptr<CVendrelDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<RepaintNotifier> notifier_;
    std::int32_t saved_colour_mode_ = 1;
    std::unique_ptr<QPrinter> printer_;
    std::map<int, std::function<void()>> commands_;
};

}  // namespace vendrel
