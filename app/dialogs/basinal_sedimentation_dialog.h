#pragma once

#include "app/dialogs/parameter_dialog.h"

namespace vendrel {

// Basinal Sedimentation: threshold depth and rate.
class BasinalSedimentationDialog : public ParameterDialog {
    Q_OBJECT

  public:
    BasinalSedimentationDialog(WindowServices& services, const ModelParameters& model,
                               const DisplaySettings& display, QWidget* parent = nullptr);
};

}  // namespace vendrel
