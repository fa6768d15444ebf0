#include "app/dialogs/runtime_dialog.h"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>

#include "app/dialogs/parameter_dialog_layout.h"
#include "core/int_conversion.h"

namespace vendrel {
namespace {

constexpr int kMaxIncrements = 500;

}  // namespace

RuntimeDialog::RuntimeDialog(WindowServices& services, const ModelParameters& model,
                             const DisplaySettings& display, QWidget* parent)
    : ParameterDialog(services, model, display, parent) {
    setWindowTitle("Runtime and Display Inc.");
    setSteps({readBox("totaltime"), readBox("display_inc"), readBox("every_step")});
    auto* grid = new QGridLayout(this);
    grid->addWidget(wrappedText(this,
                                "Here you can specify the total run-time for the simulation "
                                "and the frequency with which you record and display "
                                "simulation results"),
                    0, 0, 1, 2);
    addRow(grid, 1, new QLabel("Total Run Time (yrs)", this), edit("totaltime"));
    addRow(grid, 2, new QLabel("Recording Increment (yrs)", this), edit("display_inc"));
    addRow(
        grid, 3,
        wrappedText(this, "Screen Display Update Increment (every nth recording increment)", false),
        edit("every_step"));
    grid->addWidget(okCancelButtons(), 4, 0, 1, 2);
    edit("totaltime")->installEventFilter(this);
    edit("display_inc")->installEventFilter(this);
}

void RuntimeDialog::reject() {
    closing_ = true;  // the boxes lose the focus as the dialog goes: read nothing
    ParameterDialog::reject();
}

bool RuntimeDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !closing_ &&
        (watched == edit("totaltime") || watched == edit("display_inc"))) {
        const bool toCancel =
            cancelButton() != nullptr && QApplication::focusWidget() == cancelButton();
        if (!limitRecordings() && toCancel) {
            reject();  // the message was shown once; the click meant Cancel
        }
    }
    return ParameterDialog::eventFilter(watched, event);
}

bool RuntimeDialog::limitRecordings() {
    if (limiting_) {
        return true;  // the message box of an unreadable number takes the focus too
    }
    limiting_ = true;
    const bool read =
        readIntoValue("totaltime") && readIntoValue("display_inc") && readIntoValue("every_step");
    if (read) {
        const double total = value("totaltime");
        if (truncate_to_int32(total / value("display_inc")) > kMaxIncrements) {
            setValue("display_inc", total / kMaxIncrements);
            setValue("totaltime", total);
            setValue("every_step", value("every_step"));
        }
    }
    limiting_ = false;
    return read;
}

void RuntimeDialog::couple(ModelParameters& p, const ModelParameters&) const {
    if (p.totaltime / p.display_inc > kMaxIncrements) {
        p.display_inc = p.totaltime / kMaxIncrements;
    }
}

}  // namespace vendrel
