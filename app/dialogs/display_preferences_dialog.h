#pragma once

#include <array>

#include "app/dialogs/dialog_conventions.h"
#include "core/display_settings.h"

namespace vendrel {

// Display Preferences: the four thresholds of each colour mode and the
// depth of the bathymetric marker. Changes the picture only.
class CDispPrefsDlg : public ParameterDialog {
  public:
    CDispPrefsDlg(WindowServices& services, const DisplaySettings& p, QWidget* parent = nullptr);
    void store(DisplaySettings& p) const;

  private:
    std::array<double, 4> depth_, distance_, porosity_;
    double marker_;
};

}  // namespace vendrel
