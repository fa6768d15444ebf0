#pragma once

#include "app/dialogs/parameter_dialog.h"

namespace vendrel {

// Erosion Parameters: the diffusion coefficient.
class ErosionDialog : public ParameterDialog {
    Q_OBJECT

  public:
    ErosionDialog(WindowServices& services, const ModelParameters& model,
                  const DisplaySettings& display, QWidget* parent = nullptr);
};

}  // namespace vendrel
