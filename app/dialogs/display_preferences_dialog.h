#pragma once

#include "app/dialogs/parameter_dialog.h"

namespace vendrel {

// Display Preferences: the four thresholds of each colour mode and the
// depth of the bathymetric marker. Changes the picture only.
class DisplayPreferencesDialog : public ParameterDialog {
    Q_OBJECT

  public:
    DisplayPreferencesDialog(WindowServices& services, const ModelParameters& model,
                             const DisplaySettings& display, QWidget* parent = nullptr);
};

}  // namespace vendrel
