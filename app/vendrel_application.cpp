#include "app/vendrel_application.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStatusBar>
#include <QUrl>
#include <cstdio>

#include "app/bitmap_export.h"
#include "app/dialogs/about_dialog.h"
#include "app/dialogs/display_preferences_dialog.h"
#include "app/dialogs/parameter_dialog.h"
#include "app/dialogs/runtime_dialog.h"
#include "app/dialogs/sea_level_curve_dialog.h"
#include "app/dialogs/technical_details_dialog.h"
#include "app/dialogs/thread_count_dialog.h"
#include "app/guarded_command.h"
#include "app/parameter_change.h"
#include "app/qt_window_services.h"
#include "app/section_printer.h"
#include "app/section_view.h"
#include "app/user_guide.h"
#include "core/sea_level_curve.h"
#include "core/thread_count.h"
#include "view/figure_export.h"
#include "view/section_snapshot.h"

namespace vendrel {

VendrelApplication::VendrelApplication(WindowServices* services)
    : ownServices_(services ? nullptr : std::make_unique<QtWindowServices>()),
      services_(services ? services : ownServices_.get()) {
    QCoreApplication::setOrganizationName("Local AppWizard-Generated Applications");
    QCoreApplication::setApplicationName("Vendrel");
}

VendrelApplication::~VendrelApplication() {
    channel_.reset();
    printer_.reset();
    window_.reset();
    document_.reset();  // stops the engine before the model goes
}

bool VendrelApplication::initInstance(const QString& project, bool show, const QString& lockPath,
                                      const QString& socketName) {
    if (guard_.acquire(lockPath) == SingleInstanceGuard::Outcome::HeldElsewhere) {
        if (!InstanceChannel::handOver(project, socketName)) {
            std::fputs(
                "vendrel: Vendrel is already running, but the running copy belongs to another "
                "user or is not reachable\n",
                stderr);
        }
        return false;
    }
    recent_ = std::make_unique<RecentFiles>();
    document_ = std::make_unique<Document>(make_startup_parameters(default_thread_count()),
                                           *services_, *recent_);
    window_ = std::make_unique<MainWindow>(*this, *document_, navigation_);
    printer_ = std::make_unique<SectionPrinter>(*document_, navigation_, *services_);
    document_->setDialogParent(window_.get());
    document_->newDocument();
    if (!project.isEmpty()) {
        bool opened = false;
        runGuarded(*services_, window_.get(), [&] { opened = document_->openDocument(project); });
        if (!opened) {
            document_->newDocument();  // the error was shown; carry on with a new document
        }
    }
    window_->updateRecentFiles();
    if (show) {
        window_->show();
        window_->activateWindow();
    }
    navigation_.dpi_scale = window_->logicalDpiY() > 0 ? window_->logicalDpiY() / 96.0 : 1.0;
    connect(&document_->notifier(), &RepaintNotifier::modelAdvanced, this,
            &VendrelApplication::updateRunning);
    connect(document_.get(), &Document::replaced, &undoStack_, &QUndoStack::clear);
    repaintMainWindow();
    channel_ = std::make_unique<InstanceChannel>(
        [this](const InstanceChannel::Request& request) { carryOutRequest(request); });
    channel_->listen(socketName);  // without it, later launches are told so
    return true;
}

void VendrelApplication::carryOutRequest(const InstanceChannel::Request& request) {
    window_->bringToFront();
    if (request.file.isEmpty()) {
        return;
    }
    window_->carryOut([this, &request] {
        if (document_->maybeSave()) {
            document_->openDocument(request.file);
        }
    });
}

int VendrelApplication::exitInstance() {
    guard_.release();
    return 0;
}

void VendrelApplication::updateRunning() {
    const bool running = document_ && document_->simulation().is_running();
    if (running != running_) {
        running_ = running;
        emit runningChanged(running_);
    }
}

void VendrelApplication::markDocumentModified() {
    document_->setModified(true);
}

void VendrelApplication::repaintMainWindow() {
    if (window_) {
        window_->view().update();
    }
}

void VendrelApplication::applyDialogChanges(const std::function<void(ModelParameters&)>& store,
                                            bool markModified) {
    document_->simulation().change_parameters(store);
    if (markModified) {
        markDocumentModified();
    }
    repaintMainWindow();
}

void VendrelApplication::applyParameterDialog(ParameterDialog& dialog, const QString& name,
                                              bool markModified) {
    if (services_->execDialog(dialog) != QDialog::Accepted) {
        return;
    }
    DisplaySettings& display = document_->display();
    const ModelParameters modelBefore = document_->simulation().params();
    const DisplaySettings displayBefore = display;
    applyDialogChanges([&](ModelParameters& p) { dialog.store(p, display); }, markModified);
    const ModelParameters& model = document_->simulation().params();
    if (!sameParameters(modelBefore, displayBefore, model, display)) {
        undoStack_.push(new ParameterChange(
            *this, name,
            markModified ? ParameterChange::Apply::Reset : ParameterChange::Apply::ResetUnmarked,
            modelBefore, displayBefore, model, display));
    }
}

void VendrelApplication::editSeaLevelCurve() {
    SeaLevelCurveDialog dialog(*services_, document_->simulation().params(), window_.get());
    if (services_->execDialog(dialog) != QDialog::Accepted) {
        return;
    }
    const ModelParameters before = document_->simulation().params();
    if (same_sea_level_curve(before.sea_level_curve, dialog.curve())) {
        return;
    }
    const DisplaySettings& display = document_->display();
    applyDialogChanges([&dialog](ModelParameters& p) { p.sea_level_curve = dialog.curve(); }, true);
    undoStack_.push(new ParameterChange(*this, "Sea-Level Curve", ParameterChange::Apply::Reset,
                                        before, display, document_->simulation().params(),
                                        display));
}

void VendrelApplication::editRuntime() {
    editParameters<RuntimeDialog>("Runtime and Display Increment");
}

// The thread count is not part of the project: the model is reset but the
// document is not marked modified.
void VendrelApplication::setThreadCount() {
    editParameters<ThreadCountDialog>("Set Number of OpenMP Threads", false);
}

// The engine never sees the display settings, so they change while a run
// goes on.
void VendrelApplication::changeDisplay(const std::function<void(DisplaySettings&)>& change) {
    change(document_->display());
    markDocumentModified();
    repaintMainWindow();
}

void VendrelApplication::displayPreferences() {
    DisplayPreferencesDialog dialog(*services_, document_->simulation().params(),
                                    document_->display(), window_.get());
    if (services_->execDialog(dialog) != QDialog::Accepted) {
        return;
    }
    const ModelParameters& model = document_->simulation().params();
    const DisplaySettings before = document_->display();
    changeDisplay([&dialog](DisplaySettings& d) { dialog.storeDisplay(d); });
    if (!sameParameters(model, before, model, document_->display())) {
        undoStack_.push(new ParameterChange(*this, "Display Preferences",
                                            ParameterChange::Apply::DisplayOnly, model, before,
                                            model, document_->display()));
    }
}

void VendrelApplication::toggleColourMode(ColourFlag mode) {
    changeDisplay([mode](DisplaySettings& d) { toggle_colour_mode(d, mode); });
}

void VendrelApplication::toggleTimeLines() {
    changeDisplay([this](DisplaySettings& d) { toggle_time_lines(d, savedColourMode_); });
}

void VendrelApplication::toggleSeaLevel() {
    changeDisplay([](DisplaySettings& d) { d.draw_bl = flag_not(d.draw_bl); });
}

void VendrelApplication::toggleBathymetryMarker() {
    changeDisplay([](DisplaySettings& d) { d.draw_bath = flag_not(d.draw_bath); });
}

void VendrelApplication::navigate(void (*move)(NavigationState&)) {
    move(navigation_);
    repaintMainWindow();
}

void VendrelApplication::startSimulation() {
    // A curve that does not span the run refuses it before it starts.
    if (const std::string refusal = sea_level_curve_refusal(document_->simulation().params());
        !refusal.empty()) {
        services_->showMessage(window_.get(),
                               "Cannot run: " + QString::fromStdString(refusal) + ".");
        return;
    }
    document_->simulation().start_run();
    updateRunning();
    markDocumentModified();
    repaintMainWindow();
}

void VendrelApplication::stopSimulation() {
    document_->simulation().stop_run();
    updateRunning();
    repaintMainWindow();
}

void VendrelApplication::openRecent(int index) {
    const QStringList entries = recent_->entries();
    if (index >= entries.size() || !document_->maybeSave()) {
        return;
    }
    const QString path = entries[index];
    if (!document_->openDocument(path) && !QFileInfo::exists(path)) {
        recent_->remove(path);
    }
}

void VendrelApplication::saveBitmap() {
    BitmapExport(*window_, *services_).exec();
}

void VendrelApplication::exportFigure() {
    const QString path = services_->saveFileName(
        window_.get(), "figure.svg",
        "SVG figures (*.svg);;PDF figures (*.pdf);;PNG figures (*.png);;All Files (*.*)");
    if (path.isEmpty()) {
        return;
    }
    FigureRequest request;
    request.size = window_->view().size();
    save_figure(path.toStdString(), take_section_snapshot(document_->project()), request);
}

// While the view shows the Wheeler diagram, that is what is printed.
void VendrelApplication::print() {
    const SectionView& view = window_->view();
    printer_->print(window_.get(), view.size(),
                    view.showsWheeler() ? std::optional(view.style()) : std::nullopt);
}

void VendrelApplication::printPreview() {
    const SectionView& view = window_->view();
    printer_->preview(window_.get(), view.size(),
                      view.showsWheeler() ? std::optional(view.style()) : std::nullopt);
}

void VendrelApplication::printSetup() {
    printer_->setup(window_.get());
}

void VendrelApplication::about() {
    AboutDialog dialog(window_.get());
    services_->execDialog(dialog);
}

void VendrelApplication::technicalDetails() {
    TechnicalDetailsDialog dialog(window_.get());
    if (services_->execDialog(dialog) == QDialog::Accepted) {
        repaintMainWindow();
    }
}

}  // namespace vendrel

namespace vendrel {

void VendrelApplication::userGuide() {
    const QString guide = findUserGuide(QCoreApplication::applicationDirPath());
    if (guide.isEmpty()) {
        services_->showMessage(window_.get(), "The user guide could not be found.");
    } else if (!services_->openUrl(QUrl::fromLocalFile(guide))) {
        services_->showMessage(window_.get(),
                               QString("The user guide %1 could not be opened.").arg(guide));
    }
}

}  // namespace vendrel
