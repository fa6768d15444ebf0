#pragma once

#include <array>

#include "app/dialogs/dialog_conventions.h"
#include "core/model_parameters.h"

namespace vendrel {

// Sea-Level Variation: the starting sea level as a height above the base of
// the section, the trend and the three sinusoids.
class CsealevelDlg : public ParameterDialog {
  public:
    CsealevelDlg(WindowServices& services, const ModelParameters& p, QWidget* parent = nullptr);
    // baselevel from the height with the max_y in force now.
    void store(ModelParameters& p) const;

  private:
    double height_, rise_;
    std::array<double, 3> amplitude_, wavelength_;
};

}  // namespace vendrel
