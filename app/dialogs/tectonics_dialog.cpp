#include "app/dialogs/tectonics_dialog.h"

#include <QCheckBox>
#include <QLineEdit>

#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {

TectonicsDialog::TectonicsDialog(WindowServices& services, const ModelParameters& model,
                                 const DisplaySettings& display, QWidget* parent)
    : ParameterDialog(services, model, display, parent) {
    setWindowTitle("Tectonics");
    setSteps({
        readBox("fault1"),
        readBox("fault2"),
        readBox("slip1"),
        readBox("slip2"),
        readTick("antithetic1"),
        readTick("antithetic2"),
    });
    // The third row opens empty and what is typed there is discarded.
    auto* thirdPosition = new QLineEdit(this);
    thirdPosition->setObjectName("third_fault_position");
    thirdPosition->setMaximumWidth(110);
    auto* thirdSlip = new QLineEdit(this);
    thirdSlip->setObjectName("third_fault_slip");
    thirdSlip->setMaximumWidth(110);
    tick("antithetic1")->setText("Antithetic");
    tick("antithetic2")->setText("Antithetic");

    auto* grid = new QGridLayout(this);
    addRow(grid, 0, nullptr, new QLabel("Position (m)", this),
           new QLabel("Slip Rate (m/ka)", this));
    addRow(grid, 1, new QLabel("1st Fault", this), edit("fault1"), edit("slip1"),
           tick("antithetic1"));
    addRow(grid, 2, new QLabel("2nd Fault", this), edit("fault2"), edit("slip2"),
           tick("antithetic2"));
    addRow(grid, 3, new QLabel("3rd Fault", this), thirdPosition, thirdSlip);
    grid->addWidget(okCancelButtons(), 4, 0, 1, 4);
}

}  // namespace vendrel
