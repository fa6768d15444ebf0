#include "app/dialogs/carbonate_factory_dialog.h"

#include <QLineEdit>

#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {

CarbonateFactoryDialog::CarbonateFactoryDialog(WindowServices& services,
                                               const ModelParameters& model,
                                               const DisplaySettings& display, QWidget* parent)
    : ParameterDialog(services, model, display, parent) {
    setWindowTitle("Carbonate Factory");
    // The eight depths, the eight rates, then each depth within 0 to 1000 m.
    std::vector<DialogStep> steps;
    for (const char* field : {"depths", "rates"}) {
        for (int k = 1; k <= 8; ++k) {
            steps.push_back(readBox(elementName(field, k)));
        }
    }
    for (int k = 1; k <= 8; ++k) {
        steps.push_back(checkRange(elementName("depths", k), 0, 1000));
    }
    setSteps(std::move(steps));

    auto* grid = new QGridLayout(this);
    addRow(grid, 0, nullptr, new QLabel("Depth (m)", this),
           new QLabel("Production Rate (m/ka)", this));
    for (int k = 1; k <= 8; ++k) {
        addRow(grid, k, new QLabel(QString("Control Point %1").arg(k), this),
               edit(elementName("depths", k)), edit(elementName("rates", k)));
    }
    grid->addWidget(okCancelButtons(), 9, 0, 1, 3);
}

}  // namespace vendrel
