#pragma once

#include "app/dialogs/parameter_dialog.h"

namespace vendrel {

// Carbonate Factory: the eight points of the depth-production curve.
class CarbonateFactoryDialog : public ParameterDialog {
    Q_OBJECT

  public:
    CarbonateFactoryDialog(WindowServices& services, const ModelParameters& model,
                           const DisplaySettings& display, QWidget* parent = nullptr);
};

}  // namespace vendrel
