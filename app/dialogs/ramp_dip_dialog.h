#pragma once

#include "app/dialogs/parameter_dialog.h"

namespace vendrel {

// Simple Ramp: the dip of the straight initial ramp, which sets the height.
class RampDipDialog : public ParameterDialog {
    Q_OBJECT

  public:
    RampDipDialog(WindowServices& services, const ModelParameters& model,
                  const DisplaySettings& display, QWidget* parent = nullptr);

  protected:
    void couple(ModelParameters& model, const ModelParameters& before) const override;
};

}  // namespace vendrel
