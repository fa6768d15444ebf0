#include "app/dialogs/compaction_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <limits>

#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {

CompactionDialog::CompactionDialog(WindowServices& services, const ModelParameters& model,
                                   const DisplaySettings& display, QWidget* parent)
    : ParameterDialog(services, model, display, parent) {
    setWindowTitle("Compaction");
    constexpr double kLargest = std::numeric_limits<double>::max();
    setSteps({
        readBox("phizero"),
        checkRange("phizero", 0, kLargest),
        readBox("cvalue"),
        checkRange("cvalue", 0, kLargest),
        readTick("includecompact"),
    });
    tick("includecompact")->setText("Activate Compaction");
    auto* grid = new QGridLayout(this);
    grid->addWidget(tick("includecompact"), 0, 0, 1, 2);
    addRow(grid, 1, new QLabel("Initial Porosity (\"Phi  zero\") ", this), edit("phizero"));
    addRow(grid, 2, new QLabel("Athy's \"c\"", this), edit("cvalue"));
    grid->addWidget(okCancelButtons(), 3, 0, 1, 2);
}

}  // namespace vendrel
