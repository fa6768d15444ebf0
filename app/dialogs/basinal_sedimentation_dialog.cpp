#include "app/dialogs/basinal_sedimentation_dialog.h"

#include <QLineEdit>

#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {

BasinalSedimentationDialog::BasinalSedimentationDialog(WindowServices& services,
                                                       const ModelParameters& model,
                                                       const DisplaySettings& display,
                                                       QWidget* parent)
    : ParameterDialog(services, model, display, parent) {
    setWindowTitle("Basinal Sedimentation");
    setSteps({
        readBox("basin_threshold"),
        readBox("basin_sed_rate"),
        checkRange("basin_sed_rate", 0, 1),
        checkRange("basin_threshold", 0, 500),
    });
    auto* grid = new QGridLayout(this);
    grid->addWidget(wrappedText(this,
                                "Basinal, background, sedimentation occurs beneath a "
                                "prescribed depth threshold and at a constant rate"),
                    0, 0, 1, 2);
    addRow(grid, 1, new QLabel("Threshold (m)", this), edit("basin_threshold"));
    addRow(grid, 2, new QLabel("Deposition Rate (m/ka)", this), edit("basin_sed_rate"));
    grid->addWidget(okCancelButtons(), 3, 0, 1, 2);
}

}  // namespace vendrel
