#pragma once

#include "app/dialogs/parameter_dialog.h"

namespace vendrel {

// Model Dimensions: width and height. On OK the sea level and the control
// points keep their heights above the base, the last control point follows
// the width and the ramp dip follows both.
class ModelDimensionsDialog : public ParameterDialog {
    Q_OBJECT

  public:
    ModelDimensionsDialog(WindowServices& services, const ModelParameters& model,
                          const DisplaySettings& display, QWidget* parent = nullptr);

  protected:
    void couple(ModelParameters& model, const ModelParameters& before) const override;
};

}  // namespace vendrel
