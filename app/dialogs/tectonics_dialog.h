#pragma once

#include "app/dialogs/dialog_conventions.h"
#include "core/model_parameters.h"

namespace vendrel {

// Block Faulting: position, slip rate and sense of the two faults. A third
// row is shown but exchanges nothing: the model has two faults.
class CTectDlg : public ParameterDialog {
  public:
    CTectDlg(WindowServices& services, const ModelParameters& p, QWidget* parent = nullptr);
    void store(ModelParameters& p) const;

  private:
    double fault1_, fault2_, slip1_, slip2_;
    std::int32_t antithetic1_, antithetic2_;
};

}  // namespace vendrel
