#include "app/dialogs/thread_count_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <limits>

namespace vendrel {

ThreadCountDialog::ThreadCountDialog(WindowServices& services, const ModelParameters& model,
                                     const DisplaySettings& display, QWidget* parent)
    : ParameterDialog(services, model, display, parent) {
    setWindowTitle("Dialog");
    setSteps({
        readBox("omp_threads"),
        checkRange("omp_threads", 0, std::numeric_limits<std::int32_t>::max()),
    });
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel("Numer of OpenMP thereads to use", this), 0, 0);
    layout->addWidget(edit("omp_threads"), 0, 1);
    layout->setRowStretch(1, 1);
    layout->addWidget(okCancelButtons(), 2, 0, 1, 2);
}

}  // namespace vendrel
