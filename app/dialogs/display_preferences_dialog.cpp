#include "app/dialogs/display_preferences_dialog.h"

#include <QLineEdit>

#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {

CDispPrefsDlg::CDispPrefsDlg(WindowServices& services, const DisplaySettings& p, QWidget* parent)
    : ParameterDialog(services, parent),
      depth_{p.depth1, p.depth2, p.depth3, p.depth4},
      distance_{p.dist1, p.dist2, p.dist3, p.dist4},
      porosity_{p.poro1, p.poro2, p.poro3, p.poro4},
      marker_(p.bath_marker) {
    setWindowTitle("Display Preferences");
    const int depth_boxes[4] = {1000, 1002, 1004, 1005};
    const int distance_boxes[4] = {1006, 1007, 1001, 1003};
    const int porosity_boxes[4] = {1009, 1010, 1011, 1012};
    QLineEdit* depth[4];
    QLineEdit* distance[4];
    QLineEdit* porosity[4];
    auto* grid = new QGridLayout(this);
    add_row(grid, 0, nullptr, wrapped_text(this, " Depth of Deposition Thresholds (m)"),
            wrapped_text(this, "Distance from Shoreline Thresholds  (m)"),
            new QLabel("Porosity Thresholds", this));
    for (int k = 0; k < 4; ++k) {
        depth[k] = edit_box(depth_boxes[k]);
        distance[k] = edit_box(distance_boxes[k]);
        porosity[k] = edit_box(porosity_boxes[k]);
        add_row(grid, k + 1, new QLabel(QString("T%1").arg(k + 1), this), depth[k], distance[k],
                porosity[k]);
    }
    QLineEdit* marker = edit_box(1008);
    add_row(grid, 5, new QLabel("Bathymmetric marker (m)", this), marker);
    grid->addWidget(ok_cancel_buttons(), 6, 0, 1, 4);

    QLineEdit* checked[9];
    for (int k = 0; k < 4; ++k) {
        exchange_real(depth[k], &depth_[k]);
        checked[k] = depth[k];
    }
    for (int k = 0; k < 4; ++k) {
        exchange_real(distance[k], &distance_[k]);
        checked[4 + k] = distance[k];
    }
    exchange_real(marker, &marker_);
    checked[8] = marker;
    for (QLineEdit* box : checked) {
        check_real(box, 0, 1000);
    }
    for (int k = 0; k < 4; ++k) {
        exchange_real(porosity[k], &porosity_[k]);
    }
    for (int k = 1; k < 9; ++k) {
        setTabOrder(checked[k - 1], checked[k]);
    }
    setTabOrder(marker, porosity[0]);
    for (int k = 1; k < 4; ++k) {
        setTabOrder(porosity[k - 1], porosity[k]);
    }
}

void CDispPrefsDlg::store(DisplaySettings& p) const {
    p.depth1 = depth_[0];
    p.depth2 = depth_[1];
    p.depth3 = depth_[2];
    p.depth4 = depth_[3];
    p.dist1 = distance_[0];
    p.dist2 = distance_[1];
    p.dist3 = distance_[2];
    p.dist4 = distance_[3];
    p.bath_marker = marker_;
    p.poro1 = porosity_[0];
    p.poro2 = porosity_[1];
    p.poro3 = porosity_[2];
    p.poro4 = porosity_[3];
}

}  // namespace vendrel
