#include "app/vendrel_application.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QStatusBar>
#include <QStringList>
#include <QUrl>
#include <cmath>
#include <cstdio>
#include <new>

#include "app/bitmap_export.h"
#include "app/dialogs/about_dialog.h"
#include "app/dialogs/display_preferences_dialog.h"
#include "app/dialogs/parameter_dialog.h"
#include "app/dialogs/runtime_dialog.h"
#include "app/dialogs/sea_level_curve_dialog.h"
#include "app/dialogs/technical_details_dialog.h"
#include "app/dialogs/thread_count_dialog.h"
#include "app/guarded_command.h"
#include "app/instance_folder.h"
#include "app/local_file_name.h"
#include "app/parameter_change.h"
#include "app/qt_window_services.h"
#include "app/section_printer.h"
#include "app/section_view.h"
#include "app/user_guide.h"
#include "core/run_admission.h"
#include "core/sea_level_curve.h"
#include "core/thread_count.h"
#include "document/atomic_file.h"
#include "document/printable_text.h"
#include "view/figure_export.h"
#include "view/section_picture.h"
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

bool VendrelApplication::start(const QString& project, bool show, const QString& lockPath,
                               const QString& socketName) {
    const auto refuse = [this](const QString& why) {
        std::fprintf(stderr, "vendrel: %s\n", printable_text(localFileNameBytes(why)).c_str());
        launchStatus_ = 1;
        return false;
    };
    QString lock = lockPath;
    QString socket = socketName;
    if (lock.isEmpty() || socket.isEmpty()) {
        const InstanceFolder folder = InstanceFolder::locate();
        if (!folder.isUsable()) {
            return refuse(folder.error());
        }
        lock = lock.isEmpty() ? SingleInstanceGuard::defaultLockPath(folder.path()) : lock;
        socket = socket.isEmpty() ? InstanceChannel::socketName(folder.path(), lock) : socket;
    }
    const SingleInstanceGuard::Outcome outcome = guard_.acquire(lock);
    if (outcome == SingleInstanceGuard::Outcome::Refused) {
        return refuse(guard_.error());
    }
    if (outcome == SingleInstanceGuard::Outcome::HeldElsewhere) {
        switch (InstanceChannel::handOver(project, socket)) {
            case InstanceChannel::HandOver::Delivered:
                launchStatus_ = 0;
                return false;
            case InstanceChannel::HandOver::Stranger:
                return refuse(QString("Vendrel is already running, but the socket %1 belongs to "
                                      "another user: nothing was sent to it")
                                  .arg(socket));
            case InstanceChannel::HandOver::NotReachable:
                break;
        }
        return refuse("Vendrel is already running, but the running copy is not reachable");
    }
    recent_ = std::make_unique<RecentFiles>();
    document_ = std::make_unique<Document>(make_startup_parameters(default_thread_count()),
                                           *services_, *recent_);
    window_ = std::make_unique<MainWindow>(*this, *document_, navigation_);
    printer_ = std::make_unique<SectionPrinter>(*document_, navigation_, *services_);
    document_->setDialogParent(window_.get());
    // Listening from here, a launch made while the project opens waits in
    // the queue. Without the socket, later launches are told so.
    channel_ = std::make_unique<InstanceChannel>(
        [this](const InstanceChannel::Request& request) { carryOutRequest(request); });
    channel_->listen(socket, outcome == SingleInstanceGuard::Outcome::Acquired);
    document_->newFile();
    if (!project.isEmpty()) {
        bool opened = false;
        runGuarded(*services_, window_.get(), [&] { opened = document_->loadFile(project); });
        if (!opened) {
            document_->newFile();  // the error was shown; carry on with a new document
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
    return true;
}

void VendrelApplication::carryOutRequest(const InstanceChannel::Request& request) {
    window_->bringToFront();
    if (request.file.isEmpty()) {
        return;
    }
    window_->carryOut([this, &request] {
        if (document_->maybeSave()) {
            document_->loadFile(request.file);
        }
    });
}

void VendrelApplication::finish() {
    channel_.reset();  // its socket goes before the lock that guards it
    guard_.release();
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
    emit modelReset();
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
    // Values whose run would diverge do not start; a run that merely takes
    // no step or records nothing goes, and says so at its end.
    QStringList diverging;
    for (const ParameterFault& fault : parameter_faults(document_->simulation().params())) {
        if (fault.diverges) {
            diverging.append(QString::fromStdString(fault.text()));
        }
    }
    if (!diverging.isEmpty()) {
        services_->showMessage(
            window_.get(), "The simulation cannot run with these values:\n" + diverging.join("\n"));
        return;
    }
    // A curve that does not span the run refuses it before it starts.
    if (const std::string refusal = sea_level_curve_refusal(document_->simulation().params());
        !refusal.empty()) {
        services_->showMessage(window_.get(),
                               "Cannot run: " + QString::fromStdString(refusal) + ".");
        return;
    }
    document_->simulation().start_run();
    // Every Start is announced, then its end: a run without a step may be
    // over before anyone looks.
    if (!running_) {
        running_ = true;
        emit runningChanged(true);
    }
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
    if (!document_->loadFile(path) && !QFileInfo::exists(path)) {
        recent_->remove(path);
    }
}

void VendrelApplication::saveBitmap() {
    BitmapExport(*window_, *services_).exec();
}

void VendrelApplication::exportFigure() {
    const QString path = services_->saveFileName(
        window_.get(), "Export Figure", "figure.svg",
        "SVG figures (*.svg);;PDF figures (*.pdf);;PNG figures (*.png);;All Files (*.*)");
    if (path.isEmpty()) {
        return;
    }
    const double ratio = window_->view().devicePixelRatioF();
    FigureRequest request;
    request.size = window_->sectionAreaSize();
    request.dpi = 96 * ratio;
    const SectionSnapshot snapshot = take_section_snapshot(document_->project());
    if (figure_format_of(localFileNameBytes(path)) != FigureFormat::Png) {
        save_figure(localFileNameBytes(path), snapshot, request);
        return;
    }
    // The screen's pixels, drawn as the view draws them, as many as Qt
    // gives a window of the figure's size (it rounds where the picture
    // covers a last pixel in part).
    check_figure_request(FigureFormat::Png, request);
    QImage picture =
        section_picture(snapshot, navigation_, request.size, ratio, SectionStyle::Report);
    if (!picture.isNull()) {
        picture = picture.copy(0, 0, int(std::lround(request.size.width() * ratio)),
                               int(std::lround(request.size.height() * ratio)));
    }
    if (picture.isNull()) {
        throw std::bad_alloc();
    }
    picture.setDotsPerMeterX(int(std::lround(request.dpi / 0.0254)));
    picture.setDotsPerMeterY(int(std::lround(request.dpi / 0.0254)));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "png")) {
        throw FigureError("the PNG figure could not be encoded");
    }
    write_file_atomically(localFileNameBytes(path),
                          std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

// What the view shows is what is printed: the section, the report figure
// or the Wheeler diagram.
namespace {

SectionPrinter::Shown shownBy(const SectionView& view) {
    return {.client = view.size(), .style = view.style(), .wheeler = view.showsWheeler()};
}

}  // namespace

void VendrelApplication::print() {
    printer_->print(window_.get(), shownBy(window_->view()));
}

void VendrelApplication::printPreview() {
    printer_->preview(window_.get(), shownBy(window_->view()));
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
