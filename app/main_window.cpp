#include "app/main_window.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QUndoStack>

#include "app/data_export.h"
#include "app/dialogs/basinal_sedimentation_dialog.h"
#include "app/dialogs/carbonate_factory_dialog.h"
#include "app/dialogs/compaction_dialog.h"
#include "app/dialogs/erosion_dialog.h"
#include "app/dialogs/model_dimensions_dialog.h"
#include "app/dialogs/platform_dialog.h"
#include "app/dialogs/ramp_dip_dialog.h"
#include "app/dialogs/sea_level_dialog.h"
#include "app/dialogs/tectonics_dialog.h"
#include "app/document.h"
#include "app/guarded_command.h"
#include "app/recent_files.h"
#include "app/run_progress.h"
#include "app/section_view.h"
#include "app/vendrel_application.h"
#include "app/well_log_panel.h"
#include "app/window_geometry.h"
#include "core/thread_count.h"
#include "document/number_format.h"
#include "vendrel/version.h"
#include "view/display_toggles.h"
#include "view/navigation.h"

namespace vendrel {
namespace {

const QString kIdleMessage = QString("  Vendrel ") + kVersion;

QString spaces(int n) {
    return QString(n, ' ');
}

void setTick(QAction* item, bool ticked) {
    item->setCheckable(ticked);
    item->setChecked(ticked);
}

}  // namespace

MainWindow::MainWindow(VendrelApplication& application, Document& document,
                       NavigationState& navigation)
    : application_(application),
      document_(document),
      view_(new SectionView(document, navigation, this)) {
    const QScreen* display = screen();
    setGeometry(fitToScreen(kMainWindowGeometry, display ? display->availableGeometry() : QRect(),
                            display ? display->devicePixelRatio() : 1.0));
    setCentralWidget(view_);
    createActions();
    createMenus();
    createStatusBar();
    setRunning(false);
    updateTicks();
    updateRecentFiles();
    connect(&document_, &Document::titleChanged, this, &MainWindow::updateTitle);
    connect(&document_, &Document::modelChanged, view_, qOverload<>(&QWidget::update));
    connect(&application_, &VendrelApplication::runningChanged, this, &MainWindow::setRunning);
    connect(&application_, &VendrelApplication::modelReset, progress_, &RunProgress::clearOutcome);
    connect(&document_, &Document::replaced, progress_, &RunProgress::clearOutcome);
    connect(view_, &SectionView::pressedAt, this, &MainWindow::pickWell);
    updateTitle(document_.title());
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &MainWindow::updateStatusPanes);
    }
}

// File names may contain "*", so the title is set whole rather than
// through a window-modified placeholder.
void MainWindow::updateTitle(const QString& title) {
    setWindowTitle(title + " - Vendrel");
}

QAction* MainWindow::command(const QString& text, const QString& prompt, std::function<void()> work,
                             const QString& keys) {
    auto* item = new QAction(text, this);
    item->setStatusTip(prompt);
    if (!keys.isEmpty()) {
        item->setShortcuts(QKeySequence::listFromString(keys));
    }
    connect(item, &QAction::triggered, this, [this, work = std::move(work)] { carryOut(work); });
    return item;
}

void MainWindow::carryOut(const std::function<void()>& work) {
    runGuarded(application_.services(), this, work);
    application_.updateRunning();
    updateTicks();
    updateRecentFiles();
}

void MainWindow::bringToFront() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

// The commands as one table: where each action is kept, its caption, its
// status-bar prompt, its keys (the first is the one the menu shows) and its
// work. Qt draws the menus' shortcut column from the keys; the arrow keys,
// which Qt names Left, Right, Up and Down, keep their longer names after a
// tab in the caption, which Qt shows in that column instead.
void MainWindow::createActions() {
    VendrelApplication& app = application_;
    struct Row {
        QAction* Actions::*action;
        const char* text;
        const char* prompt;
        const char* keys;  // "; " between alternatives
        std::function<void()> work;
        bool checkable = false;
    };
    const Row rows[] = {
        {&Actions::newDocument, "&New Simulation", "Create a new document", "Ctrl+N",
         [this] { document_.newFile(); }},
        {&Actions::open, "&Open...", "Open an existing document", "Ctrl+O",
         [this] { document_.open(); }},
        {&Actions::saveBitmap, "Save Increment as Bitmap", "", "", [&app] { app.saveBitmap(); }},
        {&Actions::exportFigure, "Export &Figure...", "Save the section as a report figure", "",
         [&app] { app.exportFigure(); }},
        {&Actions::exportData, "Export &Data...", "Save the results as NetCDF or CSV for analysis",
         "", [this] { DataExport(document_, application_.services(), this).exec(); }},
        {&Actions::save, "&Save", "Save the active document", "Ctrl+S",
         [this] { document_.save(); }},
        {&Actions::saveAs, "Save &As...", "Save the active document with a new name",
         "Ctrl+Shift+S", [this] { document_.saveAs(); }},
        {&Actions::print, "&Print...", "Print the active document", "Ctrl+P",
         [&app] { app.print(); }},
        {&Actions::printPreview, "Print Pre&view", "Display full pages", "",
         [&app] { app.printPreview(); }},
        {&Actions::printSetup, "P&rint Setup...", "Change the printer and printing options", "",
         [&app] { app.printSetup(); }},
        {&Actions::exit, "E&xit", "Quit the application; prompts to save documents", "Ctrl+Q",
         [this] { close(); }},

        {&Actions::undo, "Undo", "Undo the last parameter change", "Ctrl+Z; Alt+Backspace",
         [&app] { app.undoStack().undo(); }},
        {&Actions::redo, "Redo", "Redo the parameter change last undone", "Ctrl+Shift+Z",
         [&app] { app.undoStack().redo(); }},

        {&Actions::technicalDetails, "Geeky Details and More", "The truth abou this application",
         "", [&app] { app.technicalDetails(); }},
        // Block Faulting does not mark the document modified.
        {&Actions::blockFaulting, "Block Faulting", "", "",
         [&app] { app.editParameters<TectonicsDialog>("Block Faulting", false); }},
        {&Actions::otherTectonics, "Other", "", "", [] {}},
        {&Actions::modelDimensions, "Model Dimensions", "", "",
         [&app] { app.editParameters<ModelDimensionsDialog>("Model Dimensions"); }},
        {&Actions::simpleRamp, "Simple Ramp", "", "",
         [&app] { app.editParameters<RampDipDialog>("Simple Ramp"); }},
        {&Actions::arbitraryPlatform, "Arbitrary Platform", "", "",
         [&app] { app.editParameters<PlatformDialog>("Arbitrary Platform"); }},
        {&Actions::runtime, "Runtime and Display Increment",
         "Change or view the total runtime and display increment", "",
         [&app] { app.editRuntime(); }},
        {&Actions::carbonateFactory, "Carbonate Factory",
         "Specify how carbonate production varies with depth", "",
         [&app] { app.editParameters<CarbonateFactoryDialog>("Carbonate Factory"); }},
        {&Actions::erosion, "Erosion Parameters", "", "",
         [&app] { app.editParameters<ErosionDialog>("Erosion Parameters"); }},
        {&Actions::basinalSedimentation, "Basinal Sedimentation", "", "",
         [&app] { app.editParameters<BasinalSedimentationDialog>("Basinal Sedimentation"); }},
        {&Actions::seaLevel, "Sea-Level Variation", "", "",
         [&app] { app.editParameters<SeaLevelDialog>("Sea-Level Variation"); }},
        {&Actions::seaLevelCurve, "Sea-Level Curve...", "Follow a measured sea-level curve", "",
         [&app] { app.editSeaLevelCurve(); }},
        {&Actions::compaction, "Compaction", "", "",
         [&app] { app.editParameters<CompactionDialog>("Compaction"); }},

        {&Actions::depthOfDeposition, "Depth of Deposition",
         "Colour results by depth of deposition", "",
         [&app] { app.toggleColourMode(ColourFlag::Depth); }},
        {&Actions::distanceFromShoreline, "Distance from Shoreline",
         "Colour results by distance from shoreline", "",
         [&app] { app.toggleColourMode(ColourFlag::Distance); }},
        {&Actions::porosity, "Porosity", "", "",
         [&app] { app.toggleColourMode(ColourFlag::Porosity); }},
        {&Actions::reportStyle, "&Report Style", "Draw the section as filled layers for reports",
         "",
         [this] {
             view_->setStyle(view_->style() == SectionStyle::Report ? SectionStyle::Section
                                                                    : SectionStyle::Report);
         }},
        {&Actions::displayPreferences, "Display Preferences",
         "Show and change display thresholds etc", "", [&app] { app.displayPreferences(); }},
        {&Actions::showSeaLevel, "Show Sea Level", "Show or hide the base-level", "",
         [&app] { app.toggleSeaLevel(); }},
        {&Actions::showBathymetryMarker, "Show Bathymmetry Marker", "", "",
         [&app] { app.toggleBathymetryMarker(); }},
        {&Actions::showTimeLines, "Show Simple Time-Lines", "Only draw chronostrat lines", "",
         [&app] { app.toggleTimeLines(); }},
        {&Actions::showStatusBar, "Show Vendrel Status Bar", "Show or hide the status bar", "",
         [this] { statusBar()->setVisible(!statusBar()->isVisibleTo(this)); }},
        {&Actions::wheelerDiagram, "&Wheeler Diagram",
         "Show time against distance instead of the section", "",
         [this] { view_->setShowsWheeler(!view_->showsWheeler()); }, true},
        // Turning the mode on opens the panel, which says what to do;
        // turning it off leaves the panel open: the user closes it.
        {&Actions::pseudoWell, "&Pseudo-Well", "Click a column of the section to log it as a well",
         "",
         [this] {
             if (actions_.pseudoWell->isChecked()) {
                 openWellPanel();
             }
         },
         true},

        {&Actions::start, "Start Simulation", "Run the simulation with current set of parameters",
         "Ctrl+R", [&app] { app.startSimulation(); }},
        {&Actions::stop, "Stop Simulation", "Stop the running simulation", "Esc",
         [&app] { app.stopSimulation(); }},
        {&Actions::threadCount, "Set Number of OpenMP Threads",
         "Specify the number of OpenMP threads to use", "", [&app] { app.setThreadCount(); }},

        {&Actions::zoomIn, "Zoom In", "", "Ctrl+1", [&app] { app.navigate(zoom_in); }},
        {&Actions::zoomOut, "Zoom Out", "", "Ctrl+0", [&app] { app.navigate(zoom_out); }},
        {&Actions::moveLeft, "Move Model Left\tLeft Arrow", "", "Left",
         [&app] { app.navigate(move_model_left); }},
        {&Actions::moveRight, "Move Model Right\tRight Arrow", "", "Right",
         [&app] { app.navigate(move_model_right); }},
        {&Actions::moveUp, "Move Model Up\tUp Arrow", "", "Up",
         [&app] { app.navigate(move_model_up); }},
        {&Actions::moveDown, "Move Model Down\tDown Arrow", "", "Down",
         [&app] { app.navigate(move_model_down); }},

        {&Actions::userGuide, "&User Guide", "Open the user guide", "F1",
         [&app] { app.userGuide(); }},
        {&Actions::about, "&About Vendrel...",
         "Display program information, version number and copyright", "", [&app] { app.about(); }},
    };
    for (const Row& row : rows) {
        QAction* item = command(row.text, row.prompt, row.work, row.keys);
        item->setCheckable(row.checkable);
        actions_.*row.action = item;
    }
    for (int k = 0; k < int(actions_.recentFiles.size()); ++k) {
        actions_.recentFiles[std::size_t(k)] =
            command("Recent File", "Open this document", [&app, k] { app.openRecent(k); });
    }
    actions_.otherTectonics->setEnabled(false);  // no handler: always greyed
    QUndoStack* changes = &app.undoStack();
    connect(changes, &QUndoStack::indexChanged, this, &MainWindow::updateUndo);
    connect(changes, &QUndoStack::cleanChanged, this, &MainWindow::updateUndo);
}

QMenu* MainWindow::addMenu(const QString& title, const QList<QAction*>& items) {
    QMenu* menu = menuBar()->addMenu(title);
    for (QAction* item : items) {
        if (item == nullptr) {
            menu->addSeparator();
        } else {
            menu->addAction(item);
        }
    }
    menu->installEventFilter(this);
    connect(menu, &QMenu::aboutToShow, this, [this] {
        pointed_ = nullptr;
        pointing_ = false;
        updateTicks();
        updateRecentFiles();
    });
    connect(menu, &QMenu::aboutToHide, this, [this] { statusBar()->showMessage(kIdleMessage); });
    return menu;
}

void MainWindow::createMenus() {
    const Actions& a = actions_;
    QMenuBar* bar = menuBar();
    fileMenu_ = addMenu("&File", {a.newDocument, a.open, a.saveBitmap, a.exportFigure, a.exportData,
                                  a.save, a.saveAs, nullptr, a.print, a.printPreview, a.printSetup,
                                  nullptr, a.recentFiles[0], a.recentFiles[1], a.recentFiles[2],
                                  a.recentFiles[3], nullptr, a.exit});
    addMenu("&Edit", {a.undo, a.redo});
    bar->addSeparator();
    addMenu("Vendrel", {a.technicalDetails});
    bar->addSeparator();
    addMenu("Tectonics", {a.blockFaulting, a.otherTectonics});
    bar->addSeparator();
    addMenu("Initial Geometry", {a.modelDimensions, a.simpleRamp, a.arbitraryPlatform});
    bar->addSeparator();
    addMenu("Model Parameters", {a.runtime, a.carbonateFactory, a.erosion, a.basinalSedimentation,
                                 a.seaLevel, a.seaLevelCurve, a.compaction});
    bar->addSeparator();
    bar->addSeparator();
    addMenu("Display Mode",
            {a.depthOfDeposition, a.distanceFromShoreline, a.porosity, nullptr, a.reportStyle});
    bar->addSeparator();
    addMenu("Model View",
            {a.displayPreferences, a.showSeaLevel, a.showBathymetryMarker, a.showTimeLines,
             a.showStatusBar, a.wheelerDiagram, nullptr, a.pseudoWell});
    bar->addSeparator();
    addMenu("Run Simulation", {a.start, a.stop, a.threadCount});
    addMenu("Navigate/Zoom", {a.zoomIn, a.zoomOut, a.moveLeft, a.moveRight, a.moveUp, a.moveDown});
    bar->addSeparator();
    addMenu("&Help", {a.userGuide, a.about});
    bar->addAction(" ");
}

// The docks are hidden while the widgets below this class are taken down:
// the well panel's signals must no longer reach this window's members.
MainWindow::~MainWindow() {
    if (wellPanel_ != nullptr) {
        wellPanel_->disconnect(this);
        wellPanel_->disconnect(view_);
    }
}

void MainWindow::openWellPanel() {
    if (wellPanel_ == nullptr) {
        wellPanel_ = new WellLogPanel(document_, this);
        addDockWidget(Qt::RightDockWidgetArea, wellPanel_);
        connect(wellPanel_, &WellLogPanel::exportRequested, this,
                [this] { carryOut([this] { wellPanel_->exportCsv(application_.services()); }); });
        // The section marks the well while the panel shows it.
        connect(wellPanel_, &WellLogPanel::moved, view_,
                [this](double x) { view_->setWellPosition(x); });
        connect(wellPanel_, &QDockWidget::visibilityChanged, view_, [this](bool visible) {
            view_->setWellPosition(visible && wellPanel_->hasWell()
                                       ? std::optional(wellPanel_->position())
                                       : std::nullopt);
        });
    }
    wellPanel_->show();
    wellPanel_->raise();
}

void MainWindow::pickWell(double x) {
    if (!actions_.pseudoWell->isChecked()) {
        return;
    }
    carryOut([this, x] {
        try {
            check_well_position(document_.simulation().params(), x);
        } catch (const WellOutsideSectionError&) {
            return;  // beside the section: the well stays
        }
        openWellPanel();
        wellPanel_->moveTo(x);
    });
}

void MainWindow::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setMinimumHeight(60);
    const QString sizing[5] = {"Model Data" + spaces(16), "Running" + spaces(16) + "model status",
                               "Time Step" + spaces(15), "Dx sampling" + spaces(10),
                               "Show the vertical exageration"};
    for (int k = 0; k < 5; ++k) {
        panes_[k] = new QLabel(sizing[k], bar);
        panes_[k]->setObjectName(QString("pane%1").arg(k + 1));
        panes_[k]->setMinimumWidth(panes_[k]->fontMetrics().horizontalAdvance(sizing[k]) + 8);
        panes_[k]->setFrameShape(QFrame::Panel);
        panes_[k]->setFrameShadow(QFrame::Sunken);
        bar->addPermanentWidget(panes_[k]);
    }
    progress_ = new RunProgress(document_.simulation(), bar);
    bar->insertPermanentWidget(0, progress_);
    bar->showMessage(kIdleMessage);
    connect(bar, &QStatusBar::messageChanged, this, [bar](const QString& message) {
        if (message.isEmpty() && QApplication::activePopupWidget() == nullptr) {
            bar->showMessage(kIdleMessage);
        }
    });
}

void MainWindow::setRunning(bool running) {
    actions_.start->setEnabled(!running);
    actions_.threadCount->setEnabled(!running);
    actions_.stop->setEnabled(running);
    progress_->setRunning(running);
    updateUndo();
    if (running) {
        setCursor(Qt::BusyCursor);
    } else {
        unsetCursor();
    }
}

void MainWindow::updateTicks() {
    const ModelParameters& p = document_.simulation().params();
    const DisplaySettings& d = document_.display();
    setTick(actions_.simpleRamp, p.ramp_geometry == 1);
    setTick(actions_.arbitraryPlatform, p.isolated_platform == 1);
    setTick(actions_.depthOfDeposition, d.draw_depthdepo == 1);
    setTick(actions_.distanceFromShoreline, d.draw_distance == 1);
    setTick(actions_.porosity, d.draw_porosity == 1);
    setTick(actions_.reportStyle, view_->style() == SectionStyle::Report);
    setTick(actions_.showTimeLines, d.draw_simple == 1);
    setTick(actions_.showSeaLevel, d.draw_bl == 1);
    setTick(actions_.showBathymetryMarker, d.draw_bath == 1);
    setTick(actions_.showStatusBar, statusBar()->isVisibleTo(this));
    actions_.wheelerDiagram->setChecked(view_->showsWheeler());
}

void MainWindow::updateUndo() {
    const QUndoStack& changes = application_.undoStack();
    const bool running = application_.isRunning();
    auto caption = [](const QString& verb, const QString& what) {
        return what.isEmpty() ? verb : verb + " " + what;
    };
    actions_.undo->setText(caption("Undo", changes.undoText()));
    actions_.undo->setEnabled(changes.canUndo() && !running);
    actions_.redo->setText(caption("Redo", changes.redoText()));
    actions_.redo->setEnabled(changes.canRedo() && !running);
}

// The first entry stands as a greyed "Recent File" while the list is empty.
void MainWindow::updateRecentFiles() {
    const QStringList& entries = application_.recentFiles().entries();
    for (int k = 0; k < int(actions_.recentFiles.size()); ++k) {
        QAction* item = actions_.recentFiles[std::size_t(k)];
        if (k < entries.size()) {
            item->setText(QString("&%1 %2").arg(k + 1).arg(entries[k]));
            item->setEnabled(true);
            item->setVisible(true);
        } else {
            item->setText("Recent File");
            item->setEnabled(false);
            item->setVisible(k == 0 && entries.isEmpty());
        }
    }
}

std::array<QString, 5> MainWindow::paneTexts() const {
    const Simulation& sim = document_.simulation();
    const ModelParameters& p = sim.params();
    const int threads = p.omp_threads != 0 ? p.omp_threads : default_thread_count();
    QString geometry = p.isolated_platform != 0 ? "Arbitrary Platform" : "Simple Ramp";
    if (document_.isModified()) {
        geometry += " (unsaved)";
    }
    const int w = view_->width(), h = view_->height();
    const QString exaggeration = w > 0 && h > 0
                                     ? QString::fromStdString(format_fixed(
                                           vertical_exaggeration(p.max_x, p.max_y, w, h), 5, 2))
                                     : QString("  ---");
    return {QString("Using %1 Threads").arg(threads), geometry,
            QString::fromStdString("dt = " + format_fixed(sim.dt(), 5, 3) + " yrs"),
            QString::fromStdString("dx = " + format_fixed(sim.dx(), 5, 2) + " m"),
            "VE = " + exaggeration};
}

void MainWindow::updateStatusPanes() {
    const std::array<QString, 5> texts = paneTexts();
    for (int k = 0; k < 5; ++k) {
        if (panes_[k]->text() != texts[k]) {
            panes_[k]->setText(texts[k]);
        }
    }
}

void MainWindow::showMenuPrompt(QMenu* menu) {
    QAction* item = pointing_ ? pointed_ : menu->activeAction();
    statusBar()->showMessage(item != nullptr ? item->statusTip() : QString());
}

// Qt shows the prompt of an enabled item only and blanks the pane over a
// disabled one; the pane shows the prompt of whatever item is pointed at.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* menu = qobject_cast<QMenu*>(watched);
    if (menu != nullptr && event->type() == QEvent::MouseMove) {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (menu->rect().contains(at)) {
            QAction* item = menu->actionAt(at);
            pointed_ = item != nullptr && !item->isSeparator() ? item : nullptr;
            pointing_ = true;
            showMenuPrompt(menu);
        }
    } else if (menu != nullptr && event->type() == QEvent::KeyPress) {
        pointing_ = false;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            showMenuPrompt(menu);
            return true;
        }
    }
    return QMainWindow::event(event);
}

QImage MainWindow::clientAreaImage() {
    QRect area = view_->geometry();
    if (statusBar()->isVisibleTo(this)) {
        area = area.united(statusBar()->geometry());
    }
    return grab(area).toImage();
}

QSize MainWindow::sectionAreaSize() const {
    QRect area = view_->geometry();
    for (const QDockWidget* dock : findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly)) {
        if (dock->isVisibleTo(this) && !dock->isFloating()) {
            area = area.united(dock->geometry());
        }
    }
    return area.size();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    bool close = false;
    runGuarded(application_.services(), this, [&] { close = document_.maybeSave(); });
    if (close) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace vendrel
