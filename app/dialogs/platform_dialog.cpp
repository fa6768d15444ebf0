#include "app/dialogs/platform_dialog.h"

#include <QLineEdit>
#include <cmath>

#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {

CIsolDlg::CIsolDlg(WindowServices& services, const ModelParameters& p, QWidget* parent)
    : ParameterDialog(services, parent), x_(p.control_x) {
    setWindowTitle("Arbitrary Platform");
    for (int k = 0; k < 10; ++k) {
        height_[k] = p.max_y - p.control_y[k];
    }
    const int x_boxes[10] = {1000, 1002, 1004, 1005, 1006, 1007, 1008, 1009, 1001, 1003};
    auto* grid = new QGridLayout(this);
    grid->addWidget(
        new QLabel("Initial Geometry is Defined by 10 Control Points (CP, x and y)", this), 0, 0, 1,
        11, Qt::AlignCenter);
    grid->addWidget(new QLabel("x (m)", this), 2, 0);
    grid->addWidget(new QLabel("y (m)", this), 3, 0);
    QLineEdit* x[10];
    QLineEdit* y[10];
    for (int k = 0; k < 10; ++k) {
        grid->addWidget(new QLabel(QString("CP%1").arg(k + 1), this), 1, k + 1, Qt::AlignCenter);
        x[k] = edit_box(x_boxes[k]);
        y[k] = edit_box(1010 + k);
        grid->addWidget(x[k], 2, k + 1);
        grid->addWidget(y[k], 3, k + 1);
    }
    x[0]->setEnabled(false);
    x[9]->setReadOnly(true);
    grid->addWidget(ok_cancel_buttons(), 4, 0, 1, 11);

    for (int k = 0; k < 10; ++k) {
        exchange_real(x[k], &x_[k]);
    }
    check_real(x[9], 0, p.max_x);
    for (int k = 0; k < 10; ++k) {
        exchange_real(y[k], &height_[k]);
    }
}

void CIsolDlg::store(ModelParameters& p) const {
    p.control_x = x_;
    for (int k = 0; k < 10; ++k) {
        p.control_y[k] = p.max_y - height_[k];
    }
    p.isolated_platform = 1;
    p.ramp_geometry = 0;
    p.max_y = std::tan(p.ramp_dip / kDegreesPerRadian) * p.max_x;
}

}  // namespace vendrel
