#include "app/run_progress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>

#include "core/simulation.h"

namespace vendrel {
namespace {

constexpr int kRefreshMs = 250;

}  // namespace

RunProgress::RunProgress(Simulation& simulation, QWidget* parent)
    : QWidget(parent),
      simulation_(simulation),
      bar_(new QProgressBar(this)),
      outcome_(new QLabel(this)),
      ticker_(new QTimer(this)) {
    setObjectName("runProgress");
    bar_->setObjectName("runProgressBar");
    outcome_->setObjectName("runOutcome");
    bar_->setRange(0, 100);
    bar_->setAccessibleName("Run progress");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar_);
    layout->addWidget(outcome_);
    setMinimumWidth(fontMetrics().horizontalAdvance("Run finished: 501 horizons in 9999.9 s") + 16);
    bar_->hide();
    ticker_->setInterval(kRefreshMs);
    connect(ticker_, &QTimer::timeout, this, &RunProgress::refresh);
}

QString RunProgress::timeLeftText(double seconds) {
    const long long s = std::max(0LL, static_cast<long long>(seconds + 0.5));
    if (s < 60) {
        return QString("%1 s left").arg(s);
    }
    if (s < 3600) {
        return QString("%1 min %2 s left").arg(s / 60).arg(s % 60, 2, 10, QChar('0'));
    }
    return QString("%1 h %2 min left").arg(s / 3600).arg(s % 3600 / 60, 2, 10, QChar('0'));
}

QString RunProgress::finishedText(int horizons, double seconds) {
    return QString("Run finished: %1 horizons in %2 s").arg(horizons).arg(seconds, 0, 'f', 1);
}

QString RunProgress::stoppedText(double years) {
    return QString("Run stopped at %1 ka").arg(years / 1000, 0, 'f', 1);
}

QString RunProgress::slotLimitText(double years) {
    return QString("Run ended at the 500-horizon limit at %1 ka").arg(years / 1000, 0, 'f', 1);
}

QString RunProgress::noStepText() {
    return "Run ended without a time step";
}

QString RunProgress::noRecordingText() {
    return "Run ended without recording a horizon";
}

void RunProgress::setRunning(bool running) {
    if (running) {
        begin();
    } else if (ticker_->isActive()) {
        end();
    }
}

// The run's steps and recordings, as it derives them from the parameters.
void RunProgress::begin() {
    plan_ = plan_recordings(simulation_.params());
    clock_.start();
    outcome_->hide();
    bar_->setValue(0);
    bar_->setFormat("%p%");
    bar_->show();
    ticker_->start();
}

void RunProgress::refresh() {
    if (!ticker_->isActive()) {
        return;
    }
    const std::int64_t taken = std::min(simulation_.steps_taken(), plan_.steps_run);
    const double share = plan_.steps_run > 0 ? double(taken) / double(plan_.steps_run) : 0;
    bar_->setValue(int(share * 100));
    if (share > 0) {
        const double elapsed = double(clock_.elapsed()) / 1000;
        bar_->setFormat("%p%, " + timeLeftText(elapsed * (1 - share) / share));
    }
}

void RunProgress::clearOutcome() {
    ticker_->stop();
    bar_->hide();
    outcome_->clear();
    outcome_->hide();
}

void RunProgress::end() {
    ticker_->stop();
    const double elapsed = double(clock_.elapsed()) / 1000;
    const std::int64_t taken = simulation_.steps_taken();
    bar_->hide();
    const double reached = double(taken) * plan_.dt;
    if (taken < plan_.steps_run) {
        outcome_->setText(stoppedText(reached));
    } else if (!plan_.takes_steps()) {
        outcome_->setText(noStepText());
    } else if (!plan_.records()) {
        outcome_->setText(noRecordingText());
    } else if (!plan_.fits()) {
        outcome_->setText(slotLimitText(reached));
    } else {
        outcome_->setText(finishedText(simulation_.published_count(), elapsed));
    }
    outcome_->show();
}

}  // namespace vendrel
