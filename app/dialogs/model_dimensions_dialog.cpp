#include "app/dialogs/model_dimensions_dialog.h"

#include <QLineEdit>
#include <cmath>

#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {

ModelDimensionsDialog::ModelDimensionsDialog(WindowServices& services, const ModelParameters& model,
                                             const DisplaySettings& display, QWidget* parent)
    : ParameterDialog(services, model, display, parent) {
    setWindowTitle("Model Dimensions");
    setSteps({
        readBox("max_x"),
        readBox("max_y"),
        checkRange("max_x", 0, 10000),
        checkRange("max_y", 0, 1000),
    });
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Model Dimensions", this), 0, 0, 1, 2, Qt::AlignCenter);
    addRow(grid, 1, new QLabel("Model Width (m)", this), edit("max_x"));
    addRow(grid, 2, new QLabel("Model Height (m)", this), edit("max_y"));
    grid->addWidget(okCancelButtons(), 3, 0, 1, 2);
}

// Heights above the base stay: the depth-down values move with the base.
// (The current sea level follows baselevel in the reset that comes next.)
void ModelDimensionsDialog::couple(ModelParameters& p, const ModelParameters& before) const {
    p.control_x[9] = p.max_x;
    p.ramp_dip = std::atan(p.max_y / p.max_x) * kDegreesPerRadian;
    const double shift = p.max_y - before.max_y;
    p.baselevel = p.baselevel + shift;
    for (double& y : p.control_y) {
        y = y + shift;
    }
}

}  // namespace vendrel
