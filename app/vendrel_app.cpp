#include "app/vendrel_app.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>

#include "app/command_ids.h"
#include "app/dialogs/carbonate_factory_dialog.h"
#include "app/dialogs/display_preferences_dialog.h"
#include "app/dialogs/information_dialogs.h"
#include "app/dialogs/openmp_dialog.h"
#include "app/dialogs/platform_dialog.h"
#include "app/dialogs/runtime_dialog.h"
#include "app/dialogs/sea_level_dialog.h"
#include "app/dialogs/single_value_dialogs.h"
#include "app/dialogs/tectonics_dialog.h"
#include "app/main_frame.h"
#include "app/vendrel_doc.h"
#include "app/vendrel_view.h"
#include "app/window_services.h"
#include "core/view_notifier.h"
#include "document/atomic_file.h"
#include "view/bmp_file.h"
#include "view/display_toggles.h"
#include "view/print_path.h"
#include "view/section_snapshot.h"

namespace vendrel {

// The engine's repaint requests, queued to the view on the window's thread.
class RepaintNotifier : public ViewNotifier {
  public:
    explicit RepaintNotifier(QWidget* view) : view_(view) {}
    void request_redraw() override {
        QMetaObject::invokeMethod(
            view_, [view = view_] { view->update(); }, Qt::QueuedConnection);
    }

  private:
    QWidget* view_;
};

CVendrelApp::CVendrelApp(WindowServices* services)
    : own_services_(services ? nullptr : std::make_unique<QtWindowServices>()),
      services_(services ? services : own_services_.get()) {
    build_command_table();
    QCoreApplication::setOrganizationName("Local AppWizard-Generated Applications");
    QCoreApplication::setApplicationName("Vendrel");
}

CVendrelApp::~CVendrelApp() {
    if (doc_) {
        doc_->simulation().set_notifier(nullptr);
        doc_->simulation().stop_and_wait();
    }
    frame_.reset();
    doc_.reset();
}

bool CVendrelApp::InitInstance(const QString& project, bool show, const QString& lock_path) {
    if (guard_.acquire(lock_path) == SingleInstanceGuard::Outcome::HeldElsewhere) {
        return false;
    }
    recent_ = std::make_unique<RecentFiles>();
    doc_ = std::make_unique<CVendrelDoc>(make_startup_parameters(runtime_max_threads()), *services_,
                                         *recent_);
    frame_ = std::make_unique<CMainFrame>(*this, *doc_, navigation_);
    doc_->set_dialog_parent(frame_.get());
    doc_->new_document();
    if (!project.isEmpty() && !doc_->open_document(project)) {
        doc_->new_document();  // the error was shown; carry on with a new document
    }
    if (show) {
        frame_->show();
        frame_->activateWindow();
    }
    navigation_.dpi_scale = frame_->logicalDpiY() > 0 ? frame_->logicalDpiY() / 96.0 : 1.0;
    notifier_ = std::make_unique<RepaintNotifier>(&frame_->view());
    doc_->simulation().set_notifier(notifier_.get());
    repaint_main_window();
    return true;
}

int CVendrelApp::ExitInstance() {
    guard_.release();
    return 0;
}

bool CVendrelApp::is_running() const {
    return doc_ && doc_->simulation().is_running();
}

bool CVendrelApp::handles(int id) const {
    return commands_.contains(id);
}

void CVendrelApp::on_command(int id) {
    if (const auto it = commands_.find(id); it != commands_.end()) {
        it->second();
    }
}

// Every command with a handler; a command missing here is greyed.
void CVendrelApp::build_command_table() {
    auto repaint_after = [this](void (*navigate)(NavigationState&)) {
        return [this, navigate] {
            navigate(navigation_);
            repaint_main_window();
        };
    };
    auto toggle_mode = [this](ColourFlag mode) {
        return [this, mode] {
            change_display([mode](DisplaySettings& d) { toggle_colour_mode(d, mode); });
        };
    };
    commands_ = {
        {ID_FILE_NEW, [this] { doc_->new_document(); }},
        {ID_FILE_OPEN, [this] { doc_->open_with_dialog(); }},
        {ID_FILE_SAVE, [this] { doc_->save(); }},
        {ID_FILE_SAVE_AS, [this] { doc_->save_as(); }},
        {ID_APP_EXIT, [this] { frame_->close(); }},
        {ID_VIEW_STATUS_BAR,
         [this] {
             frame_->statusBar()->setVisible(!frame_->statusBar()->isVisibleTo(frame_.get()));
         }},
        {ID_START_SIMULATION, [this] { start_simulation(); }},
        {ID_STOP_SIMULATION, [this] { stop_simulation(); }},
        {ID_OPENMP_THREADS, [this] { set_thread_count(); }},
        {ID_ZOOM_IN, repaint_after(zoom_in)},
        {ID_ZOOM_OUT, repaint_after(zoom_out)},
        {ID_MOVE_LEFT, repaint_after(move_model_left)},
        {ID_MOVE_RIGHT, repaint_after(move_model_right)},
        {ID_MOVE_UP, repaint_after(move_model_up)},
        {ID_MOVE_DOWN, repaint_after(move_model_down)},
        {ID_RUNTIME, [this] { runtime_dialog(); }},
        {ID_CARBONATE_FACTORY, [this] { run_model_dialog<CVendrelDlg>(); }},
        {ID_EROSION, [this] { run_model_dialog<CErosDlg>(); }},
        {ID_BASINAL, [this] { run_model_dialog<CsedsDlg>(); }},
        {ID_SEA_LEVEL, [this] { run_model_dialog<CsealevelDlg>(); }},
        {ID_COMPACTION, [this] { run_model_dialog<CCompactDlg>(); }},
        {ID_MODEL_DIMENSIONS, [this] { run_model_dialog<CInitialGeomDlg>(); }},
        {ID_SIMPLE_RAMP, [this] { run_model_dialog<CRampDipDlg>(); }},
        {ID_ARBITRARY_PLATFORM, [this] { run_model_dialog<CIsolDlg>(); }},
        // Block Faulting does not mark the document modified.
        {ID_BLOCK_FAULTING, [this] { run_model_dialog<CTectDlg>(false); }},
        {ID_DISPLAY_PREFERENCES, [this] { display_preferences(); }},
        {ID_DEPTH_OF_DEPOSITION, toggle_mode(ColourFlag::Depth)},
        {ID_DISTANCE_FROM_SHORELINE, toggle_mode(ColourFlag::Distance)},
        {ID_POROSITY, toggle_mode(ColourFlag::Porosity)},
        {ID_SHOW_TIME_LINES,
         [this] {
             change_display(
                 [this](DisplaySettings& d) { toggle_time_lines(d, saved_colour_mode_); });
         }},
        {ID_SHOW_SEA_LEVEL,
         [this] { change_display([](DisplaySettings& d) { d.draw_bl = flag_not(d.draw_bl); }); }},
        {ID_SHOW_BATH_MARKER,
         [this] {
             change_display([](DisplaySettings& d) { d.draw_bath = flag_not(d.draw_bath); });
         }},
        {ID_SAVE_BITMAP, [this] { save_bitmap(); }},
        {ID_FILE_PRINT, [this] { print(false); }},
        {ID_FILE_PRINT_PREVIEW, [this] { print(true); }},
        {ID_FILE_PRINT_SETUP, [this] { print_setup(); }},
        {ID_APP_ABOUT,
         [this] {
             CAboutDlg about(frame_.get());
             services_->exec_dialog(about);
         }},
        {ID_GEEKY_DETAILS,
         [this] {
             CgeekyDlg details(frame_.get());
             if (services_->exec_dialog(details) == QDialog::Accepted) {
                 repaint_main_window();
             }
         }},
    };
    for (int k = 0; k < RecentFiles::kMaxEntries; ++k) {
        commands_[ID_FILE_MRU_FILE1 + k] = [this, k] { open_recent(k); };
    }
}

void CVendrelApp::mark_document_modified() {
    doc_->SetModifiedFlag(true);
}

void CVendrelApp::repaint_main_window() {
    if (frame_) {
        frame_->view().update();
    }
}

void CVendrelApp::apply_dialog_changes(const std::function<void(ModelParameters&)>& store,
                                       bool mark_modified) {
    doc_->simulation().change_parameters(store);
    if (mark_modified) {
        mark_document_modified();
    }
    repaint_main_window();
}

template <class Dialog>
void CVendrelApp::run_model_dialog(bool mark_modified) {
    Dialog dialog(*services_, doc_->simulation().params(), frame_.get());
    if (services_->exec_dialog(dialog) == QDialog::Accepted) {
        apply_dialog_changes([&dialog](ModelParameters& p) { dialog.store(p); }, mark_modified);
    }
}

void CVendrelApp::runtime_dialog() {
    DisplaySettings& display = doc_->project().display();
    CDispDlg dialog(*services_, doc_->simulation().params(), display.every_step, frame_.get());
    if (services_->exec_dialog(dialog) == QDialog::Accepted) {
        display.every_step = dialog.every_step();
        apply_dialog_changes([&dialog](ModelParameters& p) { dialog.store(p); });
    }
}

// The engine never sees the display settings, so they change while a run
// goes on.
void CVendrelApp::change_display(const std::function<void(DisplaySettings&)>& change) {
    change(doc_->project().display());
    mark_document_modified();
    repaint_main_window();
}

void CVendrelApp::display_preferences() {
    CDispPrefsDlg dialog(*services_, doc_->project().display(), frame_.get());
    if (services_->exec_dialog(dialog) == QDialog::Accepted) {
        change_display([&dialog](DisplaySettings& d) { dialog.store(d); });
    }
}

void CVendrelApp::save_bitmap() {
    const QString path = services_->bitmap_file_name(frame_.get());
    if (path.isEmpty()) {
        return;  // Cancel ends the export
    }
    const QImage picture = frame_->client_area_image();
    if (picture.isNull()) {
        services_->show_message(frame_.get(), "CreateCompatibleDC has failed", "Failed");
        return;
    }
    const QByteArray bytes = encode_bmp32(picture);
    try {
        write_file_atomically(path.toStdString(),
                              std::string_view(bytes.constData(), std::size_t(bytes.size())));
    } catch (const FileError& e) {
        services_->show_message(frame_.get(), QString::fromStdString(e.what()));
    }
}

QPrinter& CVendrelApp::printer() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setPageOrientation(QPageLayout::Landscape);
    }
    return *printer_;
}

void CVendrelApp::print(bool preview) {
    const QSize client = frame_->view().size();
    auto paint = [this, client](QPrinter* target) {
        const SectionSnapshot snapshot = take_section_snapshot(doc_->project(), true);
        QPainter painter(target);
        const QRectF page = target->pageLayout().paintRectPixels(target->resolution());
        print_section(painter, QRectF(QPointF(0, 0), page.size()), target->resolution(), snapshot,
                      navigation_, client);
    };
    QPrinter& target = printer();
    target.setFromTo(1, 1);
    if (preview) {
        QPrintPreviewDialog dialog(&target, frame_.get());
        connect(&dialog, &QPrintPreviewDialog::paintRequested, this, paint);
        services_->exec_dialog(dialog);
        return;
    }
    QPrintDialog dialog(&target, frame_.get());
    dialog.setMinMax(1, 1);  // one page
    if (services_->exec_dialog(dialog) == QDialog::Accepted) {
        paint(&target);
    }
}

void CVendrelApp::print_setup() {
    QPageSetupDialog dialog(&printer(), frame_.get());
    services_->exec_dialog(dialog);
}

void CVendrelApp::start_simulation() {
    doc_->simulation().start_run();
    mark_document_modified();
    repaint_main_window();
}

void CVendrelApp::stop_simulation() {
    doc_->simulation().stop_run();
    repaint_main_window();
}

void CVendrelApp::set_thread_count() {
    Simulation& sim = doc_->simulation();
    COpenMPDlg dialog(*services_, sim.params().omp_threads, frame_.get());
    if (services_->exec_dialog(dialog) != QDialog::Accepted) {
        return;
    }
    const std::int32_t threads = dialog.thread_count();
    apply_dialog_changes([threads](ModelParameters& p) { p.omp_threads = threads; }, false);
}

void CVendrelApp::open_recent(int index) {
    const QStringList entries = recent_->entries();
    if (index >= entries.size() || !doc_->SaveModified()) {
        return;
    }
    const QString path = entries[index];
    if (!doc_->open_document(path) && !QFileInfo::exists(path)) {
        recent_->remove(path);
    }
}

}  // namespace vendrel
