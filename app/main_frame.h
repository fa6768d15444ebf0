#pragma once
// The main frame: menu bar, accelerators, the section view and the status
// bar with its five information panes. Menu items and accelerators run
// their command through execute(), which carries out only what the update
// rules enable; the rules are read afresh each time a menu opens.

#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <map>

#include "vendrel/version.h"

class QAction;
class QLabel;
class QMenu;

namespace vendrel {

class CVendrelDoc;
class CVendrelView;
class CVendrelApp;
struct NavigationState;

inline const QString kIdleMessage = QStringLiteral("  Vendrel ") + kVersion;

class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    CMainFrame(CVendrelApp& app, CVendrelDoc& doc, NavigationState& navigation);

    CVendrelView& view() { return *view_; }

    // Whether a command may run now, and whether its item is ticked.
    bool command_enabled(int id) const;
    bool command_checked(int id) const;
    // Carries out the command when its update rule enables it.
    bool execute(int id);

    // Texts of the five information panes, left to right.
    std::array<QString, 5> pane_texts() const;
    void update_status_panes();
    QAction* action(int id) const;  // the menu item of a command
    // What the client area shows: the view and, when visible, the status bar.
    QImage client_area_image();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void build_menus();
    void build_accelerators();
    void build_status_bar();
    QAction* add_item(QMenu* menu, const QString& caption, int id, const QString& prompt = {});
    void refresh_menu(QMenu* menu);
    void rebuild_recent_files();
    void update_title(const QString& title);

    CVendrelApp& app_;
    CVendrelDoc& doc_;
    CVendrelView* view_;
    QMenu* file_menu_ = nullptr;
    QAction* recent_placeholder_ = nullptr;
    QList<QAction*> recent_actions_;
    std::map<int, QAction*> actions_;
    std::array<QLabel*, 5> panes_{};
};

}  // namespace vendrel
