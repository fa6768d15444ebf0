#pragma once
// The pseudo-well panel: a dock beside the section with the log of the
// column nearest to a position the user picked (well_log_renderer.h), and
// a button that saves that well as a CSV table (format_wells_csv) through
// an AtomicFile.
//
// The panel follows the model: each modelChanged marks its well out of
// date, and the next paint (or the next look at well()) takes a snapshot of
// the project and logs the column again with make_pseudo_well. So a run
// repaints it as the section grows, and hidden it costs nothing. When the
// section no longer reaches the position (a narrower model), the panel
// shows an empty log under its title. Before a well is picked, the panel
// says how to pick one.

#include <QDockWidget>
#include <memory>

#include "document/pseudo_well.h"

class QPushButton;

namespace vendrel {

class Document;
class WindowServices;

class WellLogPanel : public QDockWidget {
    Q_OBJECT

  public:
    WellLogPanel(Document& document, QWidget* parent = nullptr);

    // Logs the column nearest to x (m) from now on; false, and nothing
    // changes, when x lies outside 0..max_x or is not a number.
    bool moveTo(double x);
    // Whether a well was picked; its position (m).
    bool hasWell() const { return picked_; }
    double position() const { return x_; }
    // The well as the model has it now.
    const PseudoWell& well();
    QPushButton* exportButton() const { return export_; }

    // Asks for a file and saves the well's CSV table there. Throws
    // FileError when it cannot be written.
    void exportCsv(WindowServices& services);

  signals:
    // The export button was pressed.
    void exportRequested();
    // A well was picked at x (m).
    void moved(double x);

  private:
    void markOutOfDate();

    Document& document_;
    QWidget* log_;
    QPushButton* export_;
    double x_ = 0;
    bool picked_ = false;
    PseudoWell well_;
    bool outOfDate_ = true;
};

}  // namespace vendrel
