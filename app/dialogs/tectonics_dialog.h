#pragma once

#include "app/dialogs/parameter_dialog.h"

namespace vendrel {

// Block Faulting: position, slip rate and sense of the two faults. A third
// row is shown but exchanges nothing: the model has two faults.
class TectonicsDialog : public ParameterDialog {
    Q_OBJECT

  public:
    TectonicsDialog(WindowServices& services, const ModelParameters& model,
                    const DisplaySettings& display, QWidget* parent = nullptr);
};

}  // namespace vendrel
