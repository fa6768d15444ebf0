#include "app/dialogs/ramp_dip_dialog.h"

#include <QLineEdit>
#include <cmath>

#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {

RampDipDialog::RampDipDialog(WindowServices& services, const ModelParameters& model,
                             const DisplaySettings& display, QWidget* parent)
    : ParameterDialog(services, model, display, parent) {
    setWindowTitle("Simple Ramp Dip");
    setSteps({
        readBox("ramp_dip"),
        checkRange("ramp_dip", 0, 89.9),
    });
    // Wide enough for the 15 significant digits the box shows.
    QLineEdit* dip = edit("ramp_dip");
    dip->setMinimumWidth(dip->fontMetrics().horizontalAdvance("-88.8888888888888e-10") + 16);
    dip->setMaximumWidth(dip->minimumWidth());
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Initial Geometry is a Simple Ramp", this), 0, 0, 1, 2,
                    Qt::AlignCenter);
    addRow(grid, 1, new QLabel("Ramp Dip (degrees)", this), edit("ramp_dip"));
    grid->addWidget(okCancelButtons(), 2, 0, 1, 2);
}

// The straight ramp is chosen and the height follows the dip.
void RampDipDialog::couple(ModelParameters& p, const ModelParameters&) const {
    p.ramp_geometry = 1;
    p.isolated_platform = 0;
    p.max_y = std::tan(p.ramp_dip / kDegreesPerRadian) * p.max_x;
}

}  // namespace vendrel
