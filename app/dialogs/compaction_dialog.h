#pragma once

#include "app/dialogs/parameter_dialog.h"

namespace vendrel {

// Compaction: switch, initial porosity and Athy's coefficient.
class CompactionDialog : public ParameterDialog {
    Q_OBJECT

  public:
    CompactionDialog(WindowServices& services, const ModelParameters& model,
                     const DisplaySettings& display, QWidget* parent = nullptr);
};

}  // namespace vendrel
