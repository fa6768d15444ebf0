#include "app/main_frame.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>

#include "app/command_ids.h"
#include "app/recent_files.h"
#include "app/vendrel_app.h"
#include "app/vendrel_doc.h"
#include "app/vendrel_view.h"
#include "core/model_parameters.h"
#include "core/model_state.h"
#include "document/number_format.h"
#include "view/navigation.h"

namespace vendrel {
namespace {

QString spaces(int n) {
    return QString(n, ' ');
}

}  // namespace

CMainFrame::CMainFrame(CVendrelApp& app, CVendrelDoc& doc, NavigationState& navigation)
    : app_(app), doc_(doc), view_(new CVendrelView(doc, navigation, this)) {
    setGeometry(10, 10, 1824, 968);
    setCentralWidget(view_);
    build_menus();
    build_accelerators();
    build_status_bar();
    connect(&doc_, &CVendrelDoc::titleChanged, this, &CMainFrame::update_title);
    connect(&doc_, &CVendrelDoc::modelChanged, view_, qOverload<>(&QWidget::update));
    update_title(doc_.title());
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &CMainFrame::update_status_panes);
    }
}

void CMainFrame::update_title(const QString& title) {
    setWindowTitle(title + " - Vendrel");
}

QAction* CMainFrame::add_item(QMenu* menu, const QString& caption, int id, const QString& prompt) {
    QAction* item = menu->addAction(caption);
    item->setData(id);
    item->setStatusTip(prompt);
    connect(item, &QAction::triggered, this, [this, id] { execute(id); });
    actions_[id] = item;
    return item;
}

QAction* CMainFrame::action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::build_menus() {
    QMenuBar* bar = menuBar();
    auto menu = [&](const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        connect(m, &QMenu::aboutToShow, this, [this, m] { refresh_menu(m); });
        connect(m, &QMenu::aboutToHide, this, [this] { statusBar()->showMessage(kIdleMessage); });
        return m;
    };

    file_menu_ = menu("&File");
    add_item(file_menu_, "&New Simulation\tCtrl+N", ID_FILE_NEW, "Create a new document");
    add_item(file_menu_, "&Open...\tCtrl+O", ID_FILE_OPEN, "Open an existing document");
    add_item(file_menu_, "Save Increment as Bitmap", ID_SAVE_BITMAP);
    add_item(file_menu_, "&Save\tCtrl+S", ID_FILE_SAVE, "Save the active document");
    add_item(file_menu_, "Save &As...", ID_FILE_SAVE_AS,
             "Save the active document with a new name");
    file_menu_->addSeparator();
    add_item(file_menu_, "&Print...\tCtrl+P", ID_FILE_PRINT, "Print the active document");
    add_item(file_menu_, "Print Pre&view", ID_FILE_PRINT_PREVIEW, "Display full pages");
    add_item(file_menu_, "P&rint Setup...", ID_FILE_PRINT_SETUP,
             "Change the printer and printing options");
    file_menu_->addSeparator();
    recent_placeholder_ = file_menu_->addAction("Recent File");
    recent_placeholder_->setEnabled(false);
    file_menu_->addSeparator();
    add_item(file_menu_, "E&xit", ID_APP_EXIT, "Quit the application; prompts to save documents");

    bar->addSeparator();
    add_item(menu("Vendrel"), "Geeky Details and More", ID_GEEKY_DETAILS,
             "The truth abou this application");
    bar->addSeparator();
    QMenu* tectonics = menu("Tectonics");
    add_item(tectonics, "Block Faulting", ID_BLOCK_FAULTING);
    add_item(tectonics, "Other", ID_TECTONICS_OTHER);
    bar->addSeparator();
    QMenu* geometry = menu("Initial Geometry");
    add_item(geometry, "Model Dimensions", ID_MODEL_DIMENSIONS);
    add_item(geometry, "Simple Ramp", ID_SIMPLE_RAMP);
    add_item(geometry, "Arbitrary Platform", ID_ARBITRARY_PLATFORM);
    bar->addSeparator();
    QMenu* parameters = menu("Model Parameters");
    add_item(parameters, "Runtime and Display Increment", ID_RUNTIME,
             "Change or view the total runtime and display increment");
    add_item(parameters, "Carbonate Factory", ID_CARBONATE_FACTORY,
             "Specify how carbonate production varies with depth");
    add_item(parameters, "Erosion Parameters", ID_EROSION);
    add_item(parameters, "Basinal Sedimentation", ID_BASINAL);
    add_item(parameters, "Sea-Level Variation", ID_SEA_LEVEL);
    add_item(parameters, "Compaction", ID_COMPACTION);
    bar->addSeparator();
    bar->addSeparator();
    QMenu* mode = menu("Display Mode");
    add_item(mode, "Depth of Deposition", ID_DEPTH_OF_DEPOSITION,
             "Colour results by depth of deposition");
    add_item(mode, "Distance from Shoreline", ID_DISTANCE_FROM_SHORELINE,
             "Colour results by distance from shoreline");
    add_item(mode, "Porosity", ID_POROSITY);
    bar->addSeparator();
    QMenu* model_view = menu("Model View");
    add_item(model_view, "Display Preferences", ID_DISPLAY_PREFERENCES,
             "Show and change display thresholds etc");
    add_item(model_view, "Show Sea Level", ID_SHOW_SEA_LEVEL, "Show or hide the base-level");
    add_item(model_view, "Show Bathymmetry Marker", ID_SHOW_BATH_MARKER);
    add_item(model_view, "Show Simple Time-Lines", ID_SHOW_TIME_LINES,
             "Only draw chronostrat lines");
    add_item(model_view, "Show Vendrel Status Bar", ID_VIEW_STATUS_BAR,
             "Show or hide the status bar");
    bar->addSeparator();
    QMenu* run = menu("Run Simulation");
    add_item(run, "Start Simulation\tCtrl+R", ID_START_SIMULATION,
             "Run the simulation with current set of parameters");
    add_item(run, "Stop Simulation", ID_STOP_SIMULATION, "Stop the running simulation");
    add_item(run, "Set Number of OpenMP Threads", ID_OPENMP_THREADS,
             "Specify the number of OpenMP threads to use");
    QMenu* navigate = menu("Navigate/Zoom");
    add_item(navigate, "Zoom In" + spaces(27) + "Ctrl+1", ID_ZOOM_IN);
    add_item(navigate, "Zoom Out" + spaces(24) + "Ctrl+0", ID_ZOOM_OUT);
    add_item(navigate, "Move Model Left" + spaces(12) + "Left Arrow", ID_MOVE_LEFT);
    add_item(navigate, "Move Model Right" + spaces(9) + "Right Arrow", ID_MOVE_RIGHT);
    add_item(navigate, "Move Model Up" + spaces(13) + "Up Arrow", ID_MOVE_UP);
    add_item(navigate, "Move Model Down" + spaces(8) + "Down Arrow", ID_MOVE_DOWN);
    bar->addSeparator();
    add_item(menu("&Help"), "&About Vendrel...", ID_APP_ABOUT,
             "Display program information, version number and copyright");
    bar->addAction(" ");
}

void CMainFrame::build_accelerators() {
    const std::pair<QKeySequence, int> accelerators[] = {
        {QKeySequence("Ctrl+N"), ID_FILE_NEW},         {QKeySequence("Ctrl+O"), ID_FILE_OPEN},
        {QKeySequence("Ctrl+S"), ID_FILE_SAVE},        {QKeySequence("Ctrl+P"), ID_FILE_PRINT},
        {QKeySequence("Ctrl+R"), ID_START_SIMULATION}, {QKeySequence("Ctrl+1"), ID_ZOOM_IN},
        {QKeySequence("Ctrl+0"), ID_ZOOM_OUT},         {QKeySequence(Qt::Key_Left), ID_MOVE_LEFT},
        {QKeySequence(Qt::Key_Right), ID_MOVE_RIGHT},  {QKeySequence(Qt::Key_Up), ID_MOVE_UP},
        {QKeySequence(Qt::Key_Down), ID_MOVE_DOWN},
    };
    for (const auto& [keys, id] : accelerators) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, id = id] { execute(id); });
    }
}

void CMainFrame::build_status_bar() {
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
    bar->showMessage(kIdleMessage);
    connect(bar, &QStatusBar::messageChanged, this, [bar](const QString& message) {
        if (message.isEmpty() && QApplication::activePopupWidget() == nullptr) {
            bar->showMessage(kIdleMessage);
        }
    });
}

std::array<QString, 5> CMainFrame::pane_texts() const {
    const Simulation& sim = doc_.simulation();
    const ModelParameters& p = sim.params();
    const int threads = p.omp_threads != 0 ? p.omp_threads : runtime_max_threads();
    QString geometry = p.isolated_platform != 0 ? "Arbitrary Platform" : "Simple Ramp";
    if (doc_.IsModified()) {
        geometry += " (unsaved)";
    }
    const int w = view_->width(), h = view_->height();
    const QString exaggeration =
        w > 0 && h > 0 ? QString::fromStdString(format_fixed((p.max_x / w) / (p.max_y / h), 5, 2))
                       : QString("  ---");
    return {QString("Using %1 Threads").arg(threads), geometry,
            QString::fromStdString("dt = " + format_fixed(sim.dt(), 5, 3) + " yrs"),
            QString::fromStdString("dx = " + format_fixed(sim.dx(), 5, 2) + " m"),
            "VE = " + exaggeration};
}

void CMainFrame::update_status_panes() {
    const std::array<QString, 5> texts = pane_texts();
    for (int k = 0; k < 5; ++k) {
        if (panes_[k]->text() != texts[k]) {
            panes_[k]->setText(texts[k]);
        }
    }
}

bool CMainFrame::command_enabled(int id) const {
    const bool running = app_.is_running();
    switch (id) {
        case ID_START_SIMULATION:
        case ID_OPENMP_THREADS:
            return !running;
        case ID_STOP_SIMULATION:
            return running;
        default:
            return app_.handles(id);
    }
}

bool CMainFrame::command_checked(int id) const {
    const ModelParameters& p = doc_.simulation().params();
    const DisplaySettings& d = doc_.project().display();
    switch (id) {
        case ID_SIMPLE_RAMP:
            return p.ramp_geometry == 1;
        case ID_ARBITRARY_PLATFORM:
            return p.isolated_platform == 1;
        case ID_DEPTH_OF_DEPOSITION:
            return d.draw_depthdepo == 1;
        case ID_DISTANCE_FROM_SHORELINE:
            return d.draw_distance == 1;
        case ID_POROSITY:
            return d.draw_porosity == 1;
        case ID_SHOW_TIME_LINES:
            return d.draw_simple == 1;
        case ID_SHOW_SEA_LEVEL:
            return d.draw_bl == 1;
        case ID_SHOW_BATH_MARKER:
            return d.draw_bath == 1;
        case ID_VIEW_STATUS_BAR:
            return statusBar()->isVisibleTo(const_cast<CMainFrame*>(this));
        default:
            return false;
    }
}

bool CMainFrame::execute(int id) {
    if (!command_enabled(id)) {
        return false;
    }
    app_.on_command(id);
    return true;
}

void CMainFrame::refresh_menu(QMenu* menu) {
    if (menu == file_menu_) {
        rebuild_recent_files();
    }
    for (QAction* item : menu->actions()) {
        if (item->isSeparator() || !item->data().isValid()) {
            continue;
        }
        const int id = item->data().toInt();
        item->setEnabled(command_enabled(id));
        const bool checked = command_checked(id);
        item->setCheckable(checked);
        item->setChecked(checked);
    }
}

void CMainFrame::rebuild_recent_files() {
    for (QAction* item : recent_actions_) {
        file_menu_->removeAction(item);
        delete item;
    }
    recent_actions_.clear();
    const QStringList& entries = app_.recent_files().entries();
    recent_placeholder_->setVisible(entries.isEmpty());
    for (int k = 0; k < entries.size(); ++k) {
        auto* item = new QAction(QString("&%1 %2").arg(k + 1).arg(entries[k]), file_menu_);
        item->setData(ID_FILE_MRU_FILE1 + k);
        item->setStatusTip("Open this document");
        connect(item, &QAction::triggered, this,
                [this, id = ID_FILE_MRU_FILE1 + k] { execute(id); });
        file_menu_->insertAction(recent_placeholder_, item);  // in order, where the placeholder is
        recent_actions_.append(item);
    }
}

QImage CMainFrame::client_area_image() {
    QRect area = view_->geometry();
    if (statusBar()->isVisibleTo(this)) {
        area = area.united(statusBar()->geometry());
    }
    return grab(area).toImage();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (doc_.SaveModified()) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace vendrel
