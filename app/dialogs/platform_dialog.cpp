#include "app/dialogs/platform_dialog.h"

#include <QLineEdit>
#include <QPalette>
#include <cmath>

#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {

PlatformDialog::PlatformDialog(WindowServices& services, const ModelParameters& model,
                               const DisplaySettings& display, QWidget* parent)
    : ParameterDialog(services, model, display, parent) {
    setWindowTitle("Arbitrary Platform");
    // The ten x values, CP10's x within the section's current width, then
    // the ten heights.
    std::vector<DialogStep> steps;
    for (int k = 1; k <= 10; ++k) {
        steps.push_back(readBox(elementName("control_x", k)));
    }
    steps.push_back(checkRange("control_x_10", 0, model.max_x));
    for (int k = 1; k <= 10; ++k) {
        steps.push_back(readHeight(elementName("control_height", k), elementName("control_y", k)));
    }
    setSteps(std::move(steps));
    edit("control_x_1")->setEnabled(false);
    // The last x is the section's width: read-only, and it looks it.
    QLineEdit* last = edit("control_x_10");
    last->setReadOnly(true);
    QPalette look = last->palette();
    look.setColor(QPalette::Base, look.color(QPalette::Window));
    look.setColor(QPalette::Text, look.color(QPalette::Disabled, QPalette::Text));
    last->setPalette(look);

    auto* grid = new QGridLayout(this);
    grid->addWidget(
        new QLabel("Initial Geometry is Defined by 10 Control Points (CP, x and y)", this), 0, 0, 1,
        11, Qt::AlignCenter);
    grid->addWidget(new QLabel("x (m)", this), 2, 0);
    grid->addWidget(new QLabel("y (m)", this), 3, 0);
    QWidget* previous = nullptr;
    for (int k = 1; k <= 10; ++k) {
        QLineEdit* x = edit(elementName("control_x", k));
        QLineEdit* y = edit(elementName("control_height", k));
        grid->addWidget(new QLabel(QString("CP%1").arg(k), this), 1, k, Qt::AlignCenter);
        grid->addWidget(x, 2, k);
        grid->addWidget(y, 3, k);
        // Tab goes down each column, point by point.
        if (previous != nullptr) {
            setTabOrder(previous, x);
        }
        setTabOrder(x, y);
        previous = y;
    }
    grid->addWidget(okCancelButtons(), 4, 0, 1, 11);
}

// The arbitrary platform is chosen; the height follows the ramp dip.
void PlatformDialog::couple(ModelParameters& p, const ModelParameters&) const {
    p.isolated_platform = 1;
    p.ramp_geometry = 0;
    p.max_y = std::tan(p.ramp_dip / kDegreesPerRadian) * p.max_x;
}

}  // namespace vendrel
