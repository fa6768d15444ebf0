#pragma once

#include "app/dialogs/parameter_dialog.h"

namespace vendrel {

// Sea-Level Variation: the starting sea level as a height above the base of
// the section, the trend and the three sinusoids.
class SeaLevelDialog : public ParameterDialog {
    Q_OBJECT

  public:
    SeaLevelDialog(WindowServices& services, const ModelParameters& model,
                   const DisplaySettings& display, QWidget* parent = nullptr);
};

}  // namespace vendrel
