#pragma once
// One undoable parameter change: a dialog's OK that changed the parameter
// set. It keeps the set before and after and, undone or redone, brings the
// other one back with the same rules as the OK: a model-parameter dialog
// resets the model and marks the document modified unless the dialog does
// not (Block Faulting, the thread count); Display Preferences changes the
// display settings without a reset. Display fields that the change did not
// touch keep their present values, so a display toggle made since (which
// is not undoable) stays.

#include <QUndoCommand>

#include "core/display_settings.h"
#include "core/model_parameters.h"

namespace vendrel {

class VendrelApplication;

// Whether the two parameter sets (model and display) hold the same values
// in every field of the parameter table.
bool sameParameters(const ModelParameters& model1, const DisplaySettings& display1,
                    const ModelParameters& model2, const DisplaySettings& display2);

class ParameterChange : public QUndoCommand {
  public:
    enum class Apply { Reset, ResetUnmarked, DisplayOnly };

    // Recorded after the OK applied the change: the first redo, which the
    // undo stack runs as it takes the command, does nothing.
    ParameterChange(VendrelApplication& application, const QString& name, Apply how,
                    const ModelParameters& modelBefore, const DisplaySettings& displayBefore,
                    const ModelParameters& modelAfter, const DisplaySettings& displayAfter);

    void undo() override;
    void redo() override;

  private:
    void bring(const ModelParameters& model, const DisplaySettings& display,
               const DisplaySettings& other);

    VendrelApplication& application_;
    Apply how_;
    ModelParameters modelBefore_, modelAfter_;
    DisplaySettings displayBefore_, displayAfter_;
    bool applied_ = true;
};

}  // namespace vendrel
