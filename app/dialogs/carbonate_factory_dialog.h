#pragma once

#include <array>

#include "app/dialogs/dialog_conventions.h"
#include "core/model_parameters.h"

namespace vendrel {

// Carbonate Factory: the eight points of the depth-production curve.
class CVendrelDlg : public ParameterDialog {
  public:
    CVendrelDlg(WindowServices& services, const ModelParameters& p, QWidget* parent = nullptr);
    void store(ModelParameters& p) const;

  private:
    std::array<double, 8> depths_, rates_;
};

}  // namespace vendrel
