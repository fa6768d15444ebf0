#include "app/dialogs/carbonate_factory_dialog.h"

#include <QLineEdit>

#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {

CVendrelDlg::CVendrelDlg(WindowServices& services, const ModelParameters& p, QWidget* parent)
    : ParameterDialog(services, parent), depths_(p.depths), rates_(p.rates) {
    setWindowTitle("Carbonate Factory");
    constexpr int kDepthBoxes[8] = {1000, 1002, 1004, 1005, 1006, 1007, 1008, 1009};
    constexpr int kRateBoxes[8] = {1001, 1003, 1010, 1011, 1012, 1013, 1014, 1015};
    auto* grid = new QGridLayout(this);
    add_row(grid, 0, nullptr, new QLabel("Depth (m)", this),
            new QLabel("Production Rate (m/ka)", this));
    QLineEdit* depth_boxes[8];
    QLineEdit* rate_boxes[8];
    for (int k = 0; k < 8; ++k) {
        depth_boxes[k] = edit_box(kDepthBoxes[k]);
        rate_boxes[k] = edit_box(kRateBoxes[k]);
        add_row(grid, k + 1, new QLabel(QString("Control Point %1").arg(k + 1), this),
                depth_boxes[k], rate_boxes[k]);
    }
    grid->addWidget(ok_cancel_buttons(), 9, 0, 1, 3);
    for (int k = 0; k < 8; ++k) {
        exchange_real(depth_boxes[k], &depths_[k]);
    }
    for (int k = 0; k < 8; ++k) {
        exchange_real(rate_boxes[k], &rates_[k]);
    }
    for (int k = 0; k < 8; ++k) {
        check_real(depth_boxes[k], 0, 1000);
    }
    // Tab order follows the exchange order: the depths, then the rates.
    for (int k = 1; k < 8; ++k) {
        setTabOrder(depth_boxes[k - 1], depth_boxes[k]);
    }
    setTabOrder(depth_boxes[7], rate_boxes[0]);
    for (int k = 1; k < 8; ++k) {
        setTabOrder(rate_boxes[k - 1], rate_boxes[k]);
    }
}

void CVendrelDlg::store(ModelParameters& p) const {
    p.depths = depths_;
    p.rates = rates_;
}

}  // namespace vendrel
