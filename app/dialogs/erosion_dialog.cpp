#include "app/dialogs/erosion_dialog.h"

#include <QLineEdit>
#include <limits>

#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {

ErosionDialog::ErosionDialog(WindowServices& services, const ModelParameters& model,
                             const DisplaySettings& display, QWidget* parent)
    : ParameterDialog(services, model, display, parent) {
    setWindowTitle("Erosion Parameters");
    setSteps({
        readBox("diff_coeff"),
        checkRange("diff_coeff", 0, std::numeric_limits<double>::max()),
    });
    auto* grid = new QGridLayout(this);
    grid->addWidget(wrappedText(this,
                                "Slope-dependant erosion, transport and deposition are "
                                "modelled using a simple diffusion model."),
                    0, 0, 1, 2);
    addRow(grid, 1, new QLabel("Diffusion Coeff  (m2/yr)", this), edit("diff_coeff"));
    grid->addWidget(okCancelButtons(), 2, 0, 1, 2);
}

}  // namespace vendrel
