#include "app/dialogs/tectonics_dialog.h"

#include <QCheckBox>
#include <QLineEdit>

#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {

CTectDlg::CTectDlg(WindowServices& services, const ModelParameters& p, QWidget* parent)
    : ParameterDialog(services, parent),
      fault1_(p.fault1),
      fault2_(p.fault2),
      slip1_(p.slip1),
      slip2_(p.slip2),
      antithetic1_(p.antithetic1),
      antithetic2_(p.antithetic2) {
    setWindowTitle("Tectonics");
    QLineEdit* position1 = edit_box(1000);
    QLineEdit* position2 = edit_box(1002);
    QLineEdit* position3 = edit_box(1004);
    QLineEdit* rate1 = edit_box(1005);
    QLineEdit* rate2 = edit_box(1006);
    QLineEdit* rate3 = edit_box(1007);
    QCheckBox* sense1 = check_box(1011, "Antithetic");
    QCheckBox* sense2 = check_box(1012, "Antithetic");
    auto* grid = new QGridLayout(this);
    add_row(grid, 0, nullptr, new QLabel("Position (m)", this),
            new QLabel("Slip Rate (m/ka)", this));
    add_row(grid, 1, new QLabel("1st Fault", this), position1, rate1, sense1);
    add_row(grid, 2, new QLabel("2nd Fault", this), position2, rate2, sense2);
    add_row(grid, 3, new QLabel("3rd Fault", this), position3, rate3);
    grid->addWidget(ok_cancel_buttons(), 4, 0, 1, 4);

    exchange_real(position1, &fault1_);
    exchange_real(position2, &fault2_);
    exchange_real(rate1, &slip1_);
    exchange_real(rate2, &slip2_);
    exchange_check(sense1, &antithetic1_);
    exchange_check(sense2, &antithetic2_);
    position3->clear();
    rate3->clear();
    setTabOrder(position1, position2);
    setTabOrder(position2, rate1);
    setTabOrder(rate1, rate2);
    setTabOrder(rate2, sense1);
    setTabOrder(sense1, sense2);
}

void CTectDlg::store(ModelParameters& p) const {
    p.fault1 = fault1_;
    p.fault2 = fault2_;
    p.slip1 = slip1_;
    p.slip2 = slip2_;
    p.antithetic1 = antithetic1_;
    p.antithetic2 = antithetic2_;
}

}  // namespace vendrel
