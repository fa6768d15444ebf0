#include "app/dialogs/runtime_dialog.h"

#include <QEvent>
#include <QLineEdit>

#include "app/dialogs/parameter_dialog_layout.h"
#include "core/int_conversion.h"

namespace vendrel {
namespace {

constexpr int kMaxIncrements = 500;

}  // namespace

CDispDlg::CDispDlg(WindowServices& services, const ModelParameters& p, std::int32_t every_step,
                   QWidget* parent)
    : ParameterDialog(services, parent),
      totaltime_(p.totaltime),
      display_inc_(p.display_inc),
      every_step_(every_step),
      total_box_(edit_box(1000)),
      increment_box_(edit_box(1002)),
      step_box_(edit_box(1004)) {
    setWindowTitle("Runtime and Display Inc.");
    auto* grid = new QGridLayout(this);
    grid->addWidget(wrapped_text(this,
                                 "Here you can specify the total run-time for the simulation "
                                 "and the frequency with which you record and display "
                                 "simulation results"),
                    0, 0, 1, 2);
    add_row(grid, 1, new QLabel("Total Run Time (yrs)", this), total_box_);
    add_row(grid, 2, new QLabel("Recording Increment (yrs)", this), increment_box_);
    add_row(grid, 3,
            wrapped_text(this, "Screen Display Update Increment (every nth recording increment)",
                         false),
            step_box_);
    grid->addWidget(ok_cancel_buttons(), 4, 0, 1, 2);

    exchange_real(total_box_, &totaltime_);
    exchange_real(increment_box_, &display_inc_);
    exchange_int(step_box_, &every_step_);
    total_box_->installEventFilter(this);
    increment_box_->installEventFilter(this);
}

bool CDispDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == total_box_ || watched == increment_box_)) {
        limit_recordings();
    }
    return ParameterDialog::eventFilter(watched, event);
}

void CDispDlg::limit_recordings() {
    if (limiting_) {
        return;  // the message box of an unreadable number takes the focus too
    }
    limiting_ = true;
    const auto total = scan_real(total_box_->text());
    const auto increment = total ? scan_real(increment_box_->text()) : std::nullopt;
    const auto step = increment ? scan_int(step_box_->text()) : std::nullopt;
    if (total) {
        totaltime_ = *total;
    }
    if (increment) {
        display_inc_ = *increment;
    }
    if (!step) {
        QLineEdit* bad = !total ? total_box_ : !increment ? increment_box_ : step_box_;
        refuse(bad, bad == step_box_ ? kEnterInteger : kEnterNumber);
        limiting_ = false;
        return;
    }
    every_step_ = *step;
    if (truncate_to_int32(totaltime_ / display_inc_) > kMaxIncrements) {
        display_inc_ = totaltime_ / kMaxIncrements;
        total_box_->setText(format_real(totaltime_));
        increment_box_->setText(format_real(display_inc_));
        step_box_->setText(format_int(every_step_));
    }
    limiting_ = false;
}

void CDispDlg::store(ModelParameters& p) const {
    p.totaltime = totaltime_;
    p.display_inc = display_inc_;
    if (p.totaltime / p.display_inc > kMaxIncrements) {
        p.display_inc = p.totaltime / kMaxIncrements;
    }
}

}  // namespace vendrel
