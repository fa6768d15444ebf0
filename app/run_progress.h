#pragma once
// The progress area of the status bar, right of the message pane: while a
// run goes on, a bar with the share of the run's time steps taken and the
// time left (estimated from the time so far); when it ends, what became of
// it: "Run finished: 101 horizons in 4.3 s", "Run stopped at 120.0 ka",
// "Run ended at the 500-horizon limit at 5.0 ka" when the recordings ran out
// of slots, and for a run that could not do its work "Run ended without a
// time step" or "Run ended without recording a horizon", until another model
// takes the run's place. The message pane keeps its own texts.

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "core/recording_plan.h"

class QLabel;
class QProgressBar;
class QTimer;

namespace vendrel {

class Simulation;

class RunProgress : public QWidget {
    Q_OBJECT

  public:
    explicit RunProgress(Simulation& simulation, QWidget* parent = nullptr);

    // "12 s left", "3 min 05 s left", "1 h 02 min left".
    static QString timeLeftText(double seconds);
    static QString finishedText(int horizons, double seconds);
    static QString stoppedText(double years);
    static QString slotLimitText(double years);
    static QString noStepText();
    static QString noRecordingText();

    QProgressBar* bar() const { return bar_; }
    QLabel* outcome() const { return outcome_; }

  public slots:
    void setRunning(bool running);
    // Reads the steps taken so far into the bar.
    void refresh();
    // Another model replaced the run's (New, Open, a reset): what became of
    // the run goes, and a run stopped for the change ends without a word.
    void clearOutcome();

  private:
    void begin();
    void end();

    Simulation& simulation_;
    QProgressBar* bar_;
    QLabel* outcome_;
    QTimer* ticker_;
    QElapsedTimer clock_;
    RecordingPlan plan_;
};

}  // namespace vendrel
