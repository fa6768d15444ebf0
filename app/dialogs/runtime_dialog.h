#pragma once

#include "app/dialogs/dialog_conventions.h"
#include "core/model_parameters.h"

namespace vendrel {

// Runtime and Display Increment: total run time, recording increment and
// the screen update step. It keeps a run at 500 recording increments or
// fewer: when the run time or the increment box loses the focus (with the
// truncated quotient), and on OK (with the exact one).
class CDispDlg : public ParameterDialog {
  public:
    CDispDlg(WindowServices& services, const ModelParameters& p, std::int32_t every_step,
             QWidget* parent = nullptr);
    void store(ModelParameters& p) const;
    std::int32_t every_step() const { return every_step_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void limit_recordings();

    double totaltime_, display_inc_;
    std::int32_t every_step_;
    QLineEdit *total_box_, *increment_box_, *step_box_;
    bool limiting_ = false;
};

}  // namespace vendrel
