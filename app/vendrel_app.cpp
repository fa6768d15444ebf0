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
      services_(services ? services : own_services_.get()),
      params_(make_startup_parameters(runtime_max_threads())) {
    QCoreApplication::setOrganizationName("Local AppWizard-Generated Applications");
    QCoreApplication::setApplicationName("Vendrel");
}

CVendrelApp::~CVendrelApp() {
    if (doc_) {
        doc_->simulation().engine().set_notifier(nullptr);
        doc_->simulation().engine().stop_and_wait();
    }
    frame_.reset();
    doc_.reset();
}

bool CVendrelApp::InitInstance(const QString& project, bool show, const QString& lock_path) {
    if (guard_.acquire(lock_path) == SingleInstanceGuard::Outcome::HeldElsewhere) {
        return false;
    }
    recent_ = std::make_unique<RecentFiles>();
    doc_ = std::make_unique<CVendrelDoc>(params_, *services_, *recent_);
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
    doc_->simulation().engine().set_notifier(notifier_.get());
    repaint_main_window();
    return true;
}

int CVendrelApp::ExitInstance() {
    guard_.release();
    return 0;
}

bool CVendrelApp::is_running() const {
    return doc_ && doc_->simulation().engine().is_running();
}

bool CVendrelApp::handles(int id) const {
    switch (id) {
        case ID_FILE_NEW:
        case ID_FILE_OPEN:
        case ID_FILE_SAVE:
        case ID_FILE_SAVE_AS:
        case ID_APP_EXIT:
        case ID_VIEW_STATUS_BAR:
        case ID_START_SIMULATION:
        case ID_STOP_SIMULATION:
        case ID_OPENMP_THREADS:
        case ID_ZOOM_IN:
        case ID_ZOOM_OUT:
        case ID_MOVE_LEFT:
        case ID_MOVE_RIGHT:
        case ID_MOVE_UP:
        case ID_MOVE_DOWN:
        case ID_RUNTIME:
        case ID_CARBONATE_FACTORY:
        case ID_EROSION:
        case ID_BASINAL:
        case ID_SEA_LEVEL:
        case ID_COMPACTION:
        case ID_MODEL_DIMENSIONS:
        case ID_SIMPLE_RAMP:
        case ID_ARBITRARY_PLATFORM:
        case ID_BLOCK_FAULTING:
        case ID_DISPLAY_PREFERENCES:
        case ID_DEPTH_OF_DEPOSITION:
        case ID_DISTANCE_FROM_SHORELINE:
        case ID_POROSITY:
        case ID_SHOW_TIME_LINES:
        case ID_SHOW_SEA_LEVEL:
        case ID_SHOW_BATH_MARKER:
        case ID_APP_ABOUT:
        case ID_GEEKY_DETAILS:
        case ID_SAVE_BITMAP:
        case ID_FILE_PRINT:
        case ID_FILE_PRINT_PREVIEW:
        case ID_FILE_PRINT_SETUP:
            return true;
        default:
            return id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + RecentFiles::kMaxEntries;
    }
}

void CVendrelApp::on_command(int id) {
    switch (id) {
        case ID_FILE_NEW:
            doc_->new_document();
            break;
        case ID_FILE_OPEN:
            doc_->open_with_dialog();
            break;
        case ID_FILE_SAVE:
            doc_->save();
            break;
        case ID_FILE_SAVE_AS:
            doc_->save_as();
            break;
        case ID_APP_EXIT:
            frame_->close();
            break;
        case ID_VIEW_STATUS_BAR:
            frame_->statusBar()->setVisible(!frame_->statusBar()->isVisibleTo(frame_.get()));
            break;
        case ID_START_SIMULATION:
            start_simulation();
            break;
        case ID_STOP_SIMULATION:
            stop_simulation();
            break;
        case ID_OPENMP_THREADS:
            set_thread_count();
            break;
        case ID_ZOOM_IN:
            zoom_in(navigation_);
            repaint_main_window();
            break;
        case ID_ZOOM_OUT:
            zoom_out(navigation_);
            repaint_main_window();
            break;
        case ID_MOVE_LEFT:
            move_model_left(navigation_);
            repaint_main_window();
            break;
        case ID_MOVE_RIGHT:
            move_model_right(navigation_);
            repaint_main_window();
            break;
        case ID_MOVE_UP:
            move_model_up(navigation_);
            repaint_main_window();
            break;
        case ID_MOVE_DOWN:
            move_model_down(navigation_);
            repaint_main_window();
            break;
        case ID_RUNTIME:
            run_model_dialog<CDispDlg>();
            break;
        case ID_CARBONATE_FACTORY:
            run_model_dialog<CVendrelDlg>();
            break;
        case ID_EROSION:
            run_model_dialog<CErosDlg>();
            break;
        case ID_BASINAL:
            run_model_dialog<CsedsDlg>();
            break;
        case ID_SEA_LEVEL:
            run_model_dialog<CsealevelDlg>();
            break;
        case ID_COMPACTION:
            run_model_dialog<CCompactDlg>();
            break;
        case ID_MODEL_DIMENSIONS:
            run_model_dialog<CInitialGeomDlg>();
            break;
        case ID_SIMPLE_RAMP:
            run_model_dialog<CRampDipDlg>();
            break;
        case ID_ARBITRARY_PLATFORM:
            run_model_dialog<CIsolDlg>();
            break;
        case ID_BLOCK_FAULTING:
            run_model_dialog<CTectDlg>(false);  // does not mark the document modified
            break;
        case ID_DISPLAY_PREFERENCES:
            display_preferences();
            break;
        case ID_DEPTH_OF_DEPOSITION:
            change_display([](ModelParameters& p) { toggle_colour_mode(p, ColourFlag::Depth); });
            break;
        case ID_DISTANCE_FROM_SHORELINE:
            change_display([](ModelParameters& p) { toggle_colour_mode(p, ColourFlag::Distance); });
            break;
        case ID_POROSITY:
            change_display([](ModelParameters& p) { toggle_colour_mode(p, ColourFlag::Porosity); });
            break;
        case ID_SHOW_TIME_LINES:
            change_display(
                [this](ModelParameters& p) { toggle_time_lines(p, saved_colour_mode_); });
            break;
        case ID_SHOW_SEA_LEVEL:
            change_display([](ModelParameters& p) { p.draw_bl = flag_not(p.draw_bl); });
            break;
        case ID_SHOW_BATH_MARKER:
            change_display([](ModelParameters& p) { p.draw_bath = flag_not(p.draw_bath); });
            break;
        case ID_SAVE_BITMAP:
            save_bitmap();
            break;
        case ID_FILE_PRINT:
            print(false);
            break;
        case ID_FILE_PRINT_PREVIEW:
            print(true);
            break;
        case ID_FILE_PRINT_SETUP:
            print_setup();
            break;
        case ID_APP_ABOUT: {
            CAboutDlg about(frame_.get());
            services_->exec_dialog(about);
            break;
        }
        case ID_GEEKY_DETAILS: {
            CgeekyDlg details(frame_.get());
            if (services_->exec_dialog(details) == QDialog::Accepted) {
                repaint_main_window();
            }
            break;
        }
        default:
            if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + RecentFiles::kMaxEntries) {
                open_recent(id - ID_FILE_MRU_FILE1);
            }
            break;
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

// The engine reads no display parameter, so these change while a run goes on.
void CVendrelApp::change_display(const std::function<void(ModelParameters&)>& change) {
    change(doc_->simulation().params());
    mark_document_modified();
    repaint_main_window();
}

void CVendrelApp::display_preferences() {
    CDispPrefsDlg dialog(*services_, doc_->simulation().params(), frame_.get());
    if (services_->exec_dialog(dialog) == QDialog::Accepted) {
        change_display([&dialog](ModelParameters& p) { dialog.store(p); });
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
        Simulation& sim = doc_->simulation();
        SectionSnapshot snapshot;
        {
            ModelAccess access = sim.engine().read_access();
            snapshot = take_section_snapshot(sim.params(), sim.state(), true);
        }
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
    doc_->simulation().engine().start_run();
    mark_document_modified();
    repaint_main_window();
}

void CVendrelApp::stop_simulation() {
    doc_->simulation().engine().stop_run();
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
