#pragma once
// Sea-Level Curve: chooses the measured curve that takes the sinusoids'
// place. Load… reads a CSV file (document/sea_level_csv.h, ages converted
// with the model's totaltime); the dialog shows the chosen curve's name,
// its time and level range and a small plot. Use Sinusoids drops the curve
// (enabled while one is chosen). OK hands the choice back; nothing changes
// before it, and Cancel keeps nothing.

#include <QDialog>
#include <memory>

#include "core/model_parameters.h"

class QLabel;
class QPushButton;

namespace vendrel {

class SeaLevelCurve;
class WindowServices;

class SeaLevelCurveDialog : public QDialog {
    Q_OBJECT

  public:
    SeaLevelCurveDialog(WindowServices& services, const ModelParameters& model,
                        QWidget* parent = nullptr);

    // The curve chosen: null for the sinusoids.
    const std::shared_ptr<const SeaLevelCurve>& curve() const { return curve_; }

    // Load… with a file already chosen (the button asks for one first). A
    // file that does not read is shown in a message and changes nothing;
    // false then.
    bool loadFile(const QString& path);
    // Use Sinusoids.
    void useSinusoids();

  private:
    void showCurve();

    WindowServices& services_;
    double totaltime_;
    std::shared_ptr<const SeaLevelCurve> curve_;
    QLabel* name_;
    QLabel* range_;
    QWidget* plot_;
    QPushButton* sinusoids_;
};

}  // namespace vendrel
