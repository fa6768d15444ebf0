#pragma once

#include "app/dialogs/parameter_dialog.h"

namespace vendrel {

// The thread-count dialog: one integer from 0 to 2147483647.
class ThreadCountDialog : public ParameterDialog {
    Q_OBJECT

  public:
    ThreadCountDialog(WindowServices& services, const ModelParameters& model,
                      const DisplaySettings& display, QWidget* parent = nullptr);
};

}  // namespace vendrel
