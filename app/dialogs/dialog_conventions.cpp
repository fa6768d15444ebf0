#include "app/dialogs/dialog_conventions.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <charconv>
#include <limits>

#include "app/window_services.h"
#include "document/number_parse.h"

namespace vendrel {

QString format_real(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

QString format_int(std::int32_t value) {
    return QString::number(value);
}

namespace {

constexpr int kRealChars = 399;
constexpr int kIntChars = 63;

bool is_blank(QChar c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The text after leading blanks, limited to what the reader takes.
std::string scanned_part(const QString& text, int limit) {
    int i = 0;
    while (i < text.size() && is_blank(text[i])) {
        ++i;
    }
    return text.mid(i, limit).toStdString();
}

bool starts_a_number(const std::string& s) {
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    if (i >= s.size()) {
        return false;
    }
    const char c = s[i];
    if (c >= '0' && c <= '9') {
        return true;
    }
    if (c == '.') {
        return i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '9';
    }
    const std::string rest = s.substr(i, 3);
    return rest.size() == 3 &&
           (QString::fromStdString(rest).compare("inf", Qt::CaseInsensitive) == 0 ||
            QString::fromStdString(rest).compare("nan", Qt::CaseInsensitive) == 0);
}

}  // namespace

std::optional<double> scan_real(const QString& text) {
    const std::string s = scanned_part(text, kRealChars);
    if (!starts_a_number(s)) {
        return std::nullopt;
    }
    return parse_real_leading(s);
}

std::optional<std::int32_t> scan_int(const QString& text) {
    const std::string s = scanned_part(text, kIntChars);
    const std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    if (i >= s.size() || s[i] < '0' || s[i] > '9') {
        return std::nullopt;
    }
    return parse_int_leading(s);
}

QString number_range_message(double low, double high) {
    return QString("Enter a number between %1 and %2.").arg(format_real(low), format_real(high));
}

QString integer_range_message(std::int32_t low, std::int32_t high) {
    return QString("Enter an integer between %1 and %2.").arg(low).arg(high);
}

ParameterDialog::ParameterDialog(WindowServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {}

QLineEdit* ParameterDialog::edit_box(int control) {
    auto* box = new QLineEdit(this);
    box->setObjectName(QString("edit%1").arg(control));
    box->setMaximumWidth(110);
    return box;
}

QCheckBox* ParameterDialog::check_box(int control, const QString& text) {
    auto* box = new QCheckBox(text, this);
    box->setObjectName(QString("check%1").arg(control));
    return box;
}

QWidget* ParameterDialog::ok_cancel_buttons() {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}

void ParameterDialog::exchange_real(QLineEdit* box, double* value) {
    box->setText(format_real(*value));
    steps_.push_back({.kind = Step::Real, .box = box, .real = value});
}

void ParameterDialog::exchange_int(QLineEdit* box, std::int32_t* value) {
    box->setText(format_int(*value));
    steps_.push_back({.kind = Step::Int, .box = box, .integer = value});
}

void ParameterDialog::exchange_check(QCheckBox* box, std::int32_t* value) {
    box->setChecked(*value == 1);
    steps_.push_back({.kind = Step::Check, .check_box = box, .integer = value});
}

void ParameterDialog::check_real(QLineEdit* box, double low, double high) {
    steps_.push_back({.kind = Step::RealRange, .box = box, .low = low, .high = high});
}

void ParameterDialog::check_int(QLineEdit* box, std::int32_t low, std::int32_t high) {
    steps_.push_back(
        {.kind = Step::IntRange, .box = box, .low = double(low), .high = double(high)});
}

double ParameterDialog::read_real(QLineEdit* box) const {
    for (const Step& step : steps_) {
        if (step.kind == Step::Real && step.box == box) {
            return step.read_real;
        }
    }
    return 0;
}

std::int32_t ParameterDialog::read_int(QLineEdit* box) const {
    for (const Step& step : steps_) {
        if (step.kind == Step::Int && step.box == box) {
            return step.read_int;
        }
    }
    return 0;
}

void ParameterDialog::refuse(QLineEdit* box, const QString& message) {
    services_.show_message(this, message);
    if (box != nullptr) {
        box->setFocus();
        box->selectAll();
    }
}

bool ParameterDialog::run_steps() {
    for (Step& step : steps_) {
        switch (step.kind) {
            case Step::Real: {
                const auto v = scan_real(step.box->text());
                if (!v) {
                    refuse(step.box, kEnterNumber);
                    return false;
                }
                step.read_real = *v;
                break;
            }
            case Step::Int: {
                const auto v = scan_int(step.box->text());
                if (!v) {
                    refuse(step.box, kEnterInteger);
                    return false;
                }
                step.read_int = *v;
                break;
            }
            case Step::Check:
                step.read_int = step.check_box->isChecked() ? 1 : 0;
                break;
            case Step::RealRange: {
                const double v = read_real(step.box);
                if (!(v >= step.low && v <= step.high)) {
                    refuse(step.box, number_range_message(step.low, step.high));
                    return false;
                }
                break;
            }
            case Step::IntRange: {
                const std::int32_t v = read_int(step.box);
                if (v < step.low || v > step.high) {
                    refuse(step.box,
                           integer_range_message(std::int32_t(step.low), std::int32_t(step.high)));
                    return false;
                }
                break;
            }
        }
    }
    return true;
}

void ParameterDialog::accept() {
    if (!run_steps()) {
        return;
    }
    for (const Step& step : steps_) {
        if (step.kind == Step::Real) {
            *step.real = step.read_real;
        } else if (step.kind == Step::Int || step.kind == Step::Check) {
            *step.integer = step.read_int;
        }
    }
    QDialog::accept();
}

}  // namespace vendrel
