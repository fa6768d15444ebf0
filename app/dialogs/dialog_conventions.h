#pragma once
// What every parameter dialog shares. Values are shown as printf "%.*g"
// with precision 15 (reals) or "%d" (integers) and read back as scanf
// "%lf" and "%d" read them: leading blanks skipped, the leading number
// taken, the rest ignored; "." is the decimal separator whatever the
// user's locale. On OK the dialog's steps (exchanges and range checks) run
// in order; the first that fails shows its message, puts the focus in its
// edit box with the text selected and keeps the dialog open, and nothing
// is stored. Cancel stores nothing.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class QCheckBox;
class QLineEdit;

namespace vendrel {

class WindowServices;

QString format_real(double value);  // "%.*g", precision 15
QString format_int(std::int32_t value);
std::optional<double> scan_real(const QString& text);
std::optional<std::int32_t> scan_int(const QString& text);

inline const char* const kEnterNumber = "Enter a number.";
inline const char* const kEnterInteger = "Enter an integer.";
QString number_range_message(double low, double high);
QString integer_range_message(std::int32_t low, std::int32_t high);

class ParameterDialog : public QDialog {
  public:
    ParameterDialog(WindowServices& services, QWidget* parent);

    // OK: runs the steps; closes only when every one passes.
    void accept() override;

  protected:
    // Controls named after their control numbers ("edit1004", "check1011").
    QLineEdit* edit_box(int control);
    QCheckBox* check_box(int control, const QString& text);
    // OK (the default button) and Cancel, wired to accept and reject.
    QWidget* ok_cancel_buttons();

    // An edit box exchanging a real; its text is set from *value now.
    void exchange_real(QLineEdit* box, double* value);
    void exchange_int(QLineEdit* box, std::int32_t* value);
    void exchange_check(QCheckBox* box, std::int32_t* value);
    // Range checks on the value last read from `box`.
    void check_real(QLineEdit* box, double low, double high);
    void check_int(QLineEdit* box, std::int32_t low, std::int32_t high);
    // Shows `message`, then puts the focus in `box` with its text selected.
    void refuse(QLineEdit* box, const QString& message);

  private:
    struct Step {
        enum Kind { Real, Int, Check, RealRange, IntRange } kind = Real;
        QLineEdit* box = nullptr;
        QCheckBox* check_box = nullptr;
        double* real = nullptr;
        std::int32_t* integer = nullptr;
        double low = 0, high = 0;
        // What OK read, stored only when every step passes.
        double read_real = 0;
        std::int32_t read_int = 0;
    };
    bool run_steps();
    // The value last read from a box during OK.
    double read_real(QLineEdit* box) const;
    std::int32_t read_int(QLineEdit* box) const;

    WindowServices& services_;
    std::vector<Step> steps_;
};

}  // namespace vendrel
