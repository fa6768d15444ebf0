#include "app/dialogs/display_preferences_dialog.h"

#include <QLineEdit>

#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {

DisplayPreferencesDialog::DisplayPreferencesDialog(WindowServices& services,
                                                   const ModelParameters& model,
                                                   const DisplaySettings& display, QWidget* parent)
    : ParameterDialog(services, model, display, parent) {
    setWindowTitle("Display Preferences");
    // Depth and distance thresholds and the marker, each within 0 to
    // 1000 m; then the porosity thresholds, which take any number.
    const char* const checked[] = {"depth1", "depth2", "depth3", "depth4",     "dist1",
                                   "dist2",  "dist3",  "dist4",  "bath_marker"};
    std::vector<DialogStep> steps;
    for (const char* field : checked) {
        steps.push_back(readBox(field));
    }
    for (const char* field : checked) {
        steps.push_back(checkRange(field, 0, 1000));
    }
    for (const char* field : {"poro1", "poro2", "poro3", "poro4"}) {
        steps.push_back(readBox(field));
    }
    setSteps(std::move(steps));

    auto* grid = new QGridLayout(this);
    addRow(grid, 0, nullptr, wrappedText(this, " Depth of Deposition Thresholds (m)"),
           wrappedText(this, "Distance from Shoreline Thresholds  (m)"),
           new QLabel("Porosity Thresholds", this));
    for (int k = 1; k <= 4; ++k) {
        const std::string n = std::to_string(k);
        addRow(grid, k, new QLabel(QString("T%1").arg(k), this), edit("depth" + n),
               edit("dist" + n), edit("poro" + n));
    }
    addRow(grid, 5, new QLabel("Bathymmetric marker (m)", this), edit("bath_marker"));
    grid->addWidget(okCancelButtons(), 6, 0, 1, 4);
}

}  // namespace vendrel
