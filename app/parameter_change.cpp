#include "app/parameter_change.h"

#include "app/document.h"
#include "app/vendrel_application.h"
#include "core/parameter_fields.h"
#include "core/sea_level_curve.h"

namespace vendrel {
namespace {

bool sameValue(double a, double b) {
    return a == b || (a != a && b != b);
}

bool sameField(const ParameterField& field, const ModelParameters& m1, const DisplaySettings& d1,
               const ModelParameters& m2, const DisplaySettings& d2) {
    for (int k = 0; k < field.count(); ++k) {
        if (!sameValue(field_value(field, m1, d1, k), field_value(field, m2, d2, k))) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool sameParameters(const ModelParameters& model1, const DisplaySettings& display1,
                    const ModelParameters& model2, const DisplaySettings& display2) {
    if (!same_sea_level_curve(model1.sea_level_curve, model2.sea_level_curve)) {
        return false;
    }
    for (const ParameterField& field : parameter_fields()) {
        if (!sameField(field, model1, display1, model2, display2)) {
            return false;
        }
    }
    return true;
}

ParameterChange::ParameterChange(VendrelApplication& application, const QString& name, Apply how,
                                 const ModelParameters& modelBefore,
                                 const DisplaySettings& displayBefore,
                                 const ModelParameters& modelAfter,
                                 const DisplaySettings& displayAfter)
    : QUndoCommand(name),
      application_(application),
      how_(how),
      modelBefore_(modelBefore),
      modelAfter_(modelAfter),
      displayBefore_(displayBefore),
      displayAfter_(displayAfter) {}

void ParameterChange::undo() {
    bring(modelBefore_, displayBefore_, displayAfter_);
    applied_ = false;
}

void ParameterChange::redo() {
    if (applied_) {
        return;  // the OK did it
    }
    bring(modelAfter_, displayAfter_, displayBefore_);
    applied_ = true;
}

// `other` is the display the change leads away from: only the fields in
// which it differs from `display` are set.
void ParameterChange::bring(const ModelParameters& model, const DisplaySettings& display,
                            const DisplaySettings& other) {
    DisplaySettings& present = application_.document().display();
    for (const ParameterField& field : parameter_fields()) {
        if (field.is_display() && !sameField(field, model, display, model, other)) {
            ModelParameters unused = model;
            copy_field(field, model, display, unused, present);
        }
    }
    if (how_ == Apply::DisplayOnly) {
        application_.markDocumentModified();
        application_.repaintMainWindow();
        return;
    }
    application_.applyDialogChanges([&model](ModelParameters& p) { p = model; },
                                    how_ == Apply::Reset);
}

}  // namespace vendrel
