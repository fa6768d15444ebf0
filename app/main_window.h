#pragma once
// The main window: menu bar, the section view and the status bar with its
// five information panes.
//
// Every command is one QAction that owns its text, shortcut and status-bar
// prompt. Its work runs at the command boundary (guarded_command.h); after
// every command, and before a menu shows, the ticks are set from the
// stored flags (a tick only for the value 1). Start, Stop and the thread
// count follow the application's runningChanged signal, and so do the
// progress area of the status bar and the busy cursor; Esc stops a run. A disabled action
// is not carried out, from the menu or from its shortcut.

#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>

class QAction;
class QLabel;
class QMenu;

namespace vendrel {

class Document;
class RunProgress;
class SectionView;
class WellLogPanel;
class VendrelApplication;
struct NavigationState;

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    // The commands, as the menus list them.
    struct Actions {
        QAction *newDocument, *open, *saveBitmap, *exportFigure, *save, *saveAs, *print,
            *printPreview, *printSetup, *exit;
        QAction* exportData;
        std::array<QAction*, 4> recentFiles;
        QAction *undo, *redo;
        QAction* technicalDetails;
        QAction *blockFaulting, *otherTectonics;
        QAction *modelDimensions, *simpleRamp, *arbitraryPlatform;
        QAction *runtime, *carbonateFactory, *erosion, *basinalSedimentation, *seaLevel,
            *compaction;
        QAction* seaLevelCurve;
        QAction *depthOfDeposition, *distanceFromShoreline, *porosity, *reportStyle;
        QAction *displayPreferences, *showSeaLevel, *showBathymetryMarker, *showTimeLines,
            *showStatusBar;
        QAction* pseudoWell;
        QAction *start, *stop, *threadCount;
        QAction *zoomIn, *zoomOut, *moveLeft, *moveRight, *moveUp, *moveDown;
        QAction *userGuide, *about;
        QAction* wheelerDiagram;  // checkable: the view shows the Wheeler diagram
    };

    MainWindow(VendrelApplication& application, Document& document, NavigationState& navigation);
    ~MainWindow() override;

    SectionView& view() { return *view_; }
    RunProgress& runProgress() { return *progress_; }
    const Actions& actions() const { return actions_; }
    // The pseudo-well panel, once Pseudo-Well mode was turned on (nullptr
    // before).
    WellLogPanel* wellPanel() const { return wellPanel_; }

    // Runs `work` as a command: at the command boundary, then the run state,
    // the ticks and the recent files brought up to date.
    void carryOut(const std::function<void()>& work);
    // Shows the window in front, restored if it was minimised.
    void bringToFront();

    // Texts of the five information panes, left to right.
    std::array<QString, 5> paneTexts() const;
    void updateStatusPanes();
    // What the client area shows: the view and, when visible, the status bar.
    QImage clientAreaImage();
    // The size the section view has without the panels docked beside it
    // (logical pixels): the view and the docked panels together.
    QSize sectionAreaSize() const;

  public slots:
    void setRunning(bool running);
    void updateTicks();
    void updateRecentFiles();
    // Undo and Redo say what they undo, and are disabled during a run.
    void updateUndo();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // An action that runs `work` as a command; `keys` as QKeySequence's
    // list of alternatives ("Ctrl+Z; Alt+Backspace").
    QAction* command(const QString& text, const QString& prompt, std::function<void()> work,
                     const QString& keys = {});
    void createActions();
    void createMenus();
    void createStatusBar();
    QMenu* addMenu(const QString& title, const QList<QAction*>& items);
    // The prompt of the item the user points at in the open menu.
    void showMenuPrompt(QMenu* menu);
    void updateTitle(const QString& title);
    // A press on the section at x (m): in Pseudo-Well mode, the panel logs
    // the column there (shown again when closed); beside the section,
    // nothing.
    void pickWell(double x);
    // Shows the pseudo-well panel, made and docked the first time.
    void openWellPanel();

    VendrelApplication& application_;
    Document& document_;
    SectionView* view_;
    Actions actions_{};
    QMenu* fileMenu_ = nullptr;
    std::array<QLabel*, 5> panes_{};
    RunProgress* progress_ = nullptr;
    WellLogPanel* wellPanel_ = nullptr;
    // The menu item under the mouse; the keyboard moves the active item.
    QAction* pointed_ = nullptr;
    bool pointing_ = false;
};

}  // namespace vendrel
