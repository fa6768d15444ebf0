#pragma once

#include "app/dialogs/parameter_dialog.h"

namespace vendrel {

// Runtime and Display Increment: total run time, recording increment and
// the screen update step. It keeps a run at 500 recording increments or
// fewer: when the run time or the increment box loses the focus (with the
// truncated quotient), and on OK (with the exact one).
//
// Leaving a box for the Cancel button with unreadable text shows the
// message once and then ends the dialog; Escape and the close box end it
// without reading anything.
class RuntimeDialog : public ParameterDialog {
    Q_OBJECT

  public:
    RuntimeDialog(WindowServices& services, const ModelParameters& model,
                  const DisplaySettings& display, QWidget* parent = nullptr);

    void reject() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void couple(ModelParameters& model, const ModelParameters& before) const override;

  private:
    // Reads the three boxes as OK does; false after an unreadable one.
    bool limitRecordings();

    bool limiting_ = false;
    bool closing_ = false;
};

}  // namespace vendrel
