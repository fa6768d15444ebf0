#include "app/dialogs/single_value_dialogs.h"

#include <QCheckBox>
#include <QLineEdit>
#include <cmath>
#include <limits>

#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {
namespace {

constexpr double kLargest = std::numeric_limits<double>::max();

}  // namespace

CErosDlg::CErosDlg(WindowServices& services, const ModelParameters& p, QWidget* parent)
    : ParameterDialog(services, parent), diff_coeff_(p.diff_coeff) {
    setWindowTitle("Erosion Parameters");
    QLineEdit* box = edit_box(1000);
    auto* grid = new QGridLayout(this);
    grid->addWidget(wrapped_text(this,
                                 "Slope-dependant erosion, transport and deposition are "
                                 "modelled using a simple diffusion model."),
                    0, 0, 1, 2);
    add_row(grid, 1, new QLabel("Diffusion Coeff  (m2/yr)", this), box);
    grid->addWidget(ok_cancel_buttons(), 2, 0, 1, 2);
    exchange_real(box, &diff_coeff_);
    check_real(box, 0, kLargest);
}

CsedsDlg::CsedsDlg(WindowServices& services, const ModelParameters& p, QWidget* parent)
    : ParameterDialog(services, parent), threshold_(p.basin_threshold), rate_(p.basin_sed_rate) {
    setWindowTitle("Basinal Sedimentation");
    QLineEdit* threshold = edit_box(1000);
    QLineEdit* rate = edit_box(1002);
    auto* grid = new QGridLayout(this);
    grid->addWidget(wrapped_text(this,
                                 "Basinal, background, sedimentation occurs beneath a "
                                 "prescribed depth threshold and at a constant rate"),
                    0, 0, 1, 2);
    add_row(grid, 1, new QLabel("Threshold (m)", this), threshold);
    add_row(grid, 2, new QLabel("Deposition Rate (m/ka)", this), rate);
    grid->addWidget(ok_cancel_buttons(), 3, 0, 1, 2);
    exchange_real(threshold, &threshold_);
    exchange_real(rate, &rate_);
    check_real(rate, 0, 1);
    check_real(threshold, 0, 500);
}

CCompactDlg::CCompactDlg(WindowServices& services, const ModelParameters& p, QWidget* parent)
    : ParameterDialog(services, parent),
      includecompact_(p.includecompact),
      phizero_(p.phizero),
      cvalue_(p.cvalue) {
    setWindowTitle("Compaction");
    QCheckBox* active = check_box(1011, "Activate Compaction");
    QLineEdit* phizero = edit_box(1000);
    QLineEdit* cvalue = edit_box(1002);
    auto* grid = new QGridLayout(this);
    grid->addWidget(active, 0, 0, 1, 2);
    add_row(grid, 1, new QLabel("Initial Porosity (\"Phi  zero\") ", this), phizero);
    add_row(grid, 2, new QLabel("Athy's \"c\"", this), cvalue);
    grid->addWidget(ok_cancel_buttons(), 3, 0, 1, 2);
    exchange_real(phizero, &phizero_);
    check_real(phizero, 0, kLargest);
    exchange_real(cvalue, &cvalue_);
    check_real(cvalue, 0, kLargest);
    exchange_check(active, &includecompact_);
    setTabOrder(phizero, cvalue);
    setTabOrder(cvalue, active);
}

CInitialGeomDlg::CInitialGeomDlg(WindowServices& services, const ModelParameters& p,
                                 QWidget* parent)
    : ParameterDialog(services, parent), width_(p.max_x), height_(p.max_y) {
    setWindowTitle("Model Dimensions");
    QLineEdit* width = edit_box(1000);
    QLineEdit* height = edit_box(1002);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Model Dimensions", this), 0, 0, 1, 2, Qt::AlignCenter);
    add_row(grid, 1, new QLabel("Model Width (m)", this), width);
    add_row(grid, 2, new QLabel("Model Height (m)", this), height);
    grid->addWidget(ok_cancel_buttons(), 3, 0, 1, 2);
    exchange_real(width, &width_);
    exchange_real(height, &height_);
    check_real(width, 0, 10000);
    check_real(height, 0, 1000);
}

void CInitialGeomDlg::store(ModelParameters& p) const {
    const double old_height = p.max_y;
    p.max_x = width_;
    p.max_y = height_;
    p.control_x[9] = p.max_x;
    p.ramp_dip = std::atan(p.max_y / p.max_x) * kDegreesPerRadian;
    // Heights above the base stay: the depth-down values move with the base.
    // (The current sea level follows baselevel in the reset that comes next.)
    const double shift = p.max_y - old_height;
    p.baselevel = p.baselevel + shift;
    for (double& y : p.control_y) {
        y = y + shift;
    }
}

CRampDipDlg::CRampDipDlg(WindowServices& services, const ModelParameters& p, QWidget* parent)
    : ParameterDialog(services, parent), dip_(p.ramp_dip) {
    setWindowTitle("Simple Ramp Dip");
    QLineEdit* dip = edit_box(1000);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Initial Geometry is a Simple Ramp", this), 0, 0, 1, 2,
                    Qt::AlignCenter);
    add_row(grid, 1, new QLabel("Ramp Dip (degrees)", this), dip);
    grid->addWidget(ok_cancel_buttons(), 2, 0, 1, 2);
    exchange_real(dip, &dip_);
    check_real(dip, 0, 89.9);
}

void CRampDipDlg::store(ModelParameters& p) const {
    p.ramp_geometry = 1;
    p.isolated_platform = 0;
    p.ramp_dip = dip_;
    p.max_y = std::tan(p.ramp_dip / kDegreesPerRadian) * p.max_x;
}

}  // namespace vendrel
