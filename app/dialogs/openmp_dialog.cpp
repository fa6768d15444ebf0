#include "app/dialogs/openmp_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

namespace vendrel {

COpenMPDlg::COpenMPDlg(WindowServices& services, std::int32_t thread_count, QWidget* parent)
    : ParameterDialog(services, parent), thread_count_(thread_count) {
    setWindowTitle("Dialog");
    auto* box = new QLineEdit(this);
    box->setObjectName("edit1000");
    auto* label = new QLabel("Numer of OpenMP thereads to use", this);
    label->setBuddy(box);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(box, 0, 1);
    layout->setRowStretch(1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);

    exchange_int(box, &thread_count_);
    check_int(box, 0, std::numeric_limits<std::int32_t>::max());
}

}  // namespace vendrel
