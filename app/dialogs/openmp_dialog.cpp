#include "app/dialogs/openmp_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <limits>

namespace vendrel {

COpenMPDlg::COpenMPDlg(WindowServices& services, std::int32_t thread_count, QWidget* parent)
    : ParameterDialog(services, parent), thread_count_(thread_count) {
    setWindowTitle("Dialog");
    QLineEdit* box = edit_box(1000);
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel("Numer of OpenMP thereads to use", this), 0, 0);
    layout->addWidget(box, 0, 1);
    layout->setRowStretch(1, 1);
    layout->addWidget(ok_cancel_buttons(), 2, 0, 1, 2);

    exchange_int(box, &thread_count_);
    check_int(box, 0, std::numeric_limits<std::int32_t>::max());
}

}  // namespace vendrel
