#pragma once

#include <array>

#include "app/dialogs/dialog_conventions.h"
#include "core/model_parameters.h"

namespace vendrel {

// Arbitrary Platform: ten control points, x in metres and y as heights
// above the base of the section. CP1's x cannot be changed and CP10's x is
// the section's width.
class CIsolDlg : public ParameterDialog {
  public:
    CIsolDlg(WindowServices& services, const ModelParameters& p, QWidget* parent = nullptr);
    void store(ModelParameters& p) const;

  private:
    std::array<double, 10> x_, height_;
};

}  // namespace vendrel
