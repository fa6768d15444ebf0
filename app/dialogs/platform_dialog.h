#pragma once

#include "app/dialogs/parameter_dialog.h"

namespace vendrel {

// Arbitrary Platform: ten control points, x in metres and y as heights
// above the base of the section. CP1's x cannot be changed and CP10's x is
// the section's width.
class PlatformDialog : public ParameterDialog {
    Q_OBJECT

  public:
    PlatformDialog(WindowServices& services, const ModelParameters& model,
                   const DisplaySettings& display, QWidget* parent = nullptr);

  protected:
    void couple(ModelParameters& model, const ModelParameters& before) const override;
};

}  // namespace vendrel
