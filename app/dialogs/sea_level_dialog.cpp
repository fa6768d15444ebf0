#include "app/dialogs/sea_level_dialog.h"

#include <QGroupBox>
#include <QLineEdit>

#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {

CsealevelDlg::CsealevelDlg(WindowServices& services, const ModelParameters& p, QWidget* parent)
    : ParameterDialog(services, parent),
      height_(p.max_y - p.baselevel),
      rise_(p.baselevel_rise),
      amplitude_{p.amp_1, p.amp_2, p.amp_3},
      wavelength_{p.wave_1, p.wave_2, p.wave_3} {
    setWindowTitle("Sea-Level Variations");
    QLineEdit* height = edit_box(1000);
    QLineEdit* rise = edit_box(1002);
    const int amplitude_boxes[3] = {1004, 1006, 1008};
    const int wavelength_boxes[3] = {1005, 1007, 1009};
    QLineEdit* amplitude[3];
    QLineEdit* wavelength[3];
    auto* grid = new QGridLayout(this);
    add_row(grid, 0, new QLabel("Starting Sea Level (m)", this), height);
    add_row(grid, 1, new QLabel("Sea-level Rise/Fall (m/ka)", this), rise);
    auto* sinusoids = new QGroupBox("Sinusoids", this);
    auto* inner = new QGridLayout(sinusoids);
    add_row(inner, 0, nullptr, new QLabel("Amplitude (m)", sinusoids),
            new QLabel("Wavelength (yrs)", sinusoids));
    for (int k = 0; k < 3; ++k) {
        amplitude[k] = edit_box(amplitude_boxes[k]);
        wavelength[k] = edit_box(wavelength_boxes[k]);
        add_row(inner, k + 1, new QLabel(QString("Sine signal %1").arg(k + 1), sinusoids),
                amplitude[k], wavelength[k]);
    }
    grid->addWidget(sinusoids, 2, 0, 1, 2);
    grid->addWidget(ok_cancel_buttons(), 3, 0, 1, 2);

    exchange_real(height, &height_);
    exchange_real(rise, &rise_);
    exchange_real(amplitude[0], &amplitude_[0]);
    exchange_real(wavelength[0], &wavelength_[0]);
    check_real(wavelength[0], 0, 100000);
    check_real(amplitude[0], 0, 100);
    check_real(height, 0, 10000);
    for (int k = 1; k < 3; ++k) {
        exchange_real(amplitude[k], &amplitude_[k]);
        exchange_real(wavelength[k], &wavelength_[k]);
    }
}

void CsealevelDlg::store(ModelParameters& p) const {
    // The reset that follows starts the sea level (and slot 1 of the sea
    // levels) at this baselevel.
    p.baselevel = p.max_y - height_;
    p.baselevel_rise = rise_;
    p.amp_1 = amplitude_[0];
    p.wave_1 = wavelength_[0];
    p.amp_2 = amplitude_[1];
    p.wave_2 = wavelength_[1];
    p.amp_3 = amplitude_[2];
    p.wave_3 = wavelength_[2];
}

}  // namespace vendrel
