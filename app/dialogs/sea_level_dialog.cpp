#include "app/dialogs/sea_level_dialog.h"

#include <QGroupBox>
#include <QLineEdit>

#include "app/dialogs/parameter_dialog_layout.h"
#include "core/sea_level_curve.h"

namespace vendrel {

// The starting sea level is shown and entered as a height above the base;
// the reset that follows OK starts the sea level (and slot 1 of the sea
// levels) at the stored baselevel.
SeaLevelDialog::SeaLevelDialog(WindowServices& services, const ModelParameters& model,
                               const DisplaySettings& display, QWidget* parent)
    : ParameterDialog(services, model, display, parent) {
    setWindowTitle("Sea-Level Variations");
    setSteps({
        readHeight("baselevel_height", "baselevel"),
        readBox("baselevel_rise"),
        readBox("amp_1"),
        readBox("wave_1"),
        checkRange("wave_1", 0, 100000),
        checkRange("amp_1", 0, 100),
        checkRange("baselevel_height", 0, 10000),
        readBox("amp_2"),
        readBox("wave_2"),
        readBox("amp_3"),
        readBox("wave_3"),
    });
    auto* grid = new QGridLayout(this);
    addRow(grid, 0, new QLabel("Starting Sea Level (m)", this), edit("baselevel_height"));
    addRow(grid, 1, new QLabel("Sea-level Rise/Fall (m/ka)", this), edit("baselevel_rise"));
    auto* sinusoids = new QGroupBox("Sinusoids", this);
    auto* inner = new QGridLayout(sinusoids);
    addRow(inner, 0, nullptr, new QLabel("Amplitude (m)", sinusoids),
           new QLabel("Wavelength (yrs)", sinusoids));
    for (int k = 1; k <= 3; ++k) {
        addRow(inner, k, new QLabel(QString("Sine signal %1").arg(k), sinusoids),
               edit(elementName("amp", k)), edit(elementName("wave", k)));
    }
    grid->addWidget(sinusoids, 2, 0, 1, 2);
    if (const SeaLevelCurve* curve = model.sea_level_curve.get()) {
        auto* note = new QLabel(QString("A measured curve is in use (%1): these sinusoids are kept "
                                        "but not run.")
                                    .arg(QString::fromStdString(curve->name())),
                                this);
        note->setObjectName("curve_in_use");
        grid->addWidget(note, 3, 0, 1, 2);
    }
    grid->addWidget(okCancelButtons(), 4, 0, 1, 2);
}

}  // namespace vendrel
