#include "app/dialogs/parameter_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <optional>
#include <stdexcept>

#include "app/dialogs/dialog_numbers.h"
#include "app/window_services.h"
#include "core/parameter_fields.h"

namespace vendrel {

DialogStep readBox(std::string field) {
    DialogStep step{.kind = DialogStep::Kind::Read, .box = field, .field = field};
    return step;
}

DialogStep readHeight(std::string box, std::string field) {
    return {.kind = DialogStep::Kind::Read,
            .box = std::move(box),
            .field = std::move(field),
            .heightAboveBase = true};
}

DialogStep readTick(std::string field) {
    DialogStep step{.kind = DialogStep::Kind::ReadTick, .box = field, .field = field};
    return step;
}

DialogStep checkRange(std::string box, double low, double high) {
    DialogStep step;
    step.kind = DialogStep::Kind::Check;
    step.box = std::move(box);
    step.low = low;
    step.high = high;
    return step;
}

std::string elementName(std::string_view field, int k) {
    return std::string(field) + "_" + std::to_string(k);
}

ParameterDialog::ParameterDialog(WindowServices& services, const ModelParameters& model,
                                 const DisplaySettings& display, QWidget* parent)
    : QDialog(parent), services_(services), model_(model), display_(display) {}

void ParameterDialog::setSteps(std::vector<DialogStep> steps) {
    steps_ = std::move(steps);
    for (const DialogStep& step : steps_) {
        if (step.kind == DialogStep::Kind::Check) {
            if (boxIndex(step.box) < 0) {
                throw std::logic_error("a check before its box is read: " + step.box);
            }
            continue;
        }
        const std::optional<ParameterKey> key = find_parameter_key(step.field);
        if (!key) {
            throw std::logic_error("no parameter named " + step.field);
        }
        Box box{.name = step.box,
                .field = key->field,
                .element = key->element.value_or(0),
                .heightAboveBase = step.heightAboveBase,
                .integer = key->field->is_integer()};
        const double stored = field_value(*box.field, model_, display_, box.element);
        box.value = box.heightAboveBase ? model_.max_y - stored : stored;
        if (step.kind == DialogStep::Kind::ReadTick) {
            box.tick = new QCheckBox(this);
            box.tick->setObjectName(QString::fromStdString(box.name));
        } else {
            box.edit = new QLineEdit(this);
            box.edit->setObjectName(QString::fromStdString(box.name));
            box.edit->setMaximumWidth(110);
            box.edit->installEventFilter(this);
        }
        show(box);
        boxes_.push_back(box);
    }
}

int ParameterDialog::boxIndex(std::string_view name) const {
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        if (boxes_[i].name == name) {
            return int(i);
        }
    }
    return -1;
}

QLineEdit* ParameterDialog::edit(std::string_view name) const {
    const int i = boxIndex(name);
    return i < 0 ? nullptr : boxes_[std::size_t(i)].edit;
}

QCheckBox* ParameterDialog::tick(std::string_view name) const {
    const int i = boxIndex(name);
    return i < 0 ? nullptr : boxes_[std::size_t(i)].tick;
}

void ParameterDialog::show(const Box& box) {
    if (box.tick != nullptr) {
        box.tick->setChecked(box.value == 1);
    } else {
        box.edit->setText(box.integer ? formatInt(std::int32_t(box.value)) : formatReal(box.value));
    }
}

QWidget* ParameterDialog::okCancelButtons() {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    cancel_ = buttons->button(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}

double ParameterDialog::value(std::string_view name) const {
    return boxes_.at(std::size_t(boxIndex(name))).value;
}

void ParameterDialog::setValue(std::string_view name, double value) {
    Box& box = boxes_.at(std::size_t(boxIndex(name)));
    box.value = value;
    show(box);
}

void ParameterDialog::refuse(QLineEdit* box, const QString& message) {
    services_.showMessage(this, message);
    if (box != nullptr) {
        box->setFocus();
        box->selectAll();
    }
}

bool ParameterDialog::scan(const Box& box, double& out) {
    if (box.tick != nullptr) {
        out = box.tick->isChecked() ? 1 : 0;
        return true;
    }
    if (box.integer) {
        const std::optional<std::int32_t> v = scanInt(box.edit->text());
        if (!v) {
            refuse(box.edit, kEnterInteger);
            return false;
        }
        out = *v;
        return true;
    }
    const std::optional<double> v = scanReal(box.edit->text());
    if (!v) {
        refuse(box.edit, kEnterNumber);
        return false;
    }
    out = *v;
    return true;
}

bool ParameterDialog::readIntoValue(std::string_view name) {
    Box& box = boxes_.at(std::size_t(boxIndex(name)));
    return scan(box, box.value);
}

void ParameterDialog::accept() {
    std::vector<double> read(boxes_.size());
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        read[i] = boxes_[i].value;
    }
    for (const DialogStep& step : steps_) {
        const std::size_t i = std::size_t(boxIndex(step.box));
        const Box& box = boxes_[i];
        if (step.kind != DialogStep::Kind::Check) {
            if (!scan(box, read[i])) {
                return;
            }
            continue;
        }
        const double v = read[i];
        if (!(v >= step.low && v <= step.high)) {
            refuse(box.edit, box.integer ? integerRangeMessage(std::int32_t(step.low),
                                                               std::int32_t(step.high))
                                         : numberRangeMessage(step.low, step.high));
            return;
        }
    }
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        boxes_[i].value = read[i];
    }
    QDialog::accept();
}

void ParameterDialog::store(ModelParameters& model, DisplaySettings& display) const {
    const ModelParameters before = model;
    for (const Box& box : boxes_) {
        const double v = box.heightAboveBase ? before.max_y - box.value : box.value;
        set_field_value(*box.field, model, display, v, box.element);
    }
    couple(model, before);
}

void ParameterDialog::storeDisplay(DisplaySettings& display) const {
    ModelParameters unchanged = model_;
    store(unchanged, display);
}

void ParameterDialog::couple(ModelParameters&, const ModelParameters&) const {}

bool ParameterDialog::event(QEvent* event) {
    if (event->type() == QEvent::Polish) {
        nameBoxes();
    }
    return QDialog::event(event);
}

// A click puts the cursor where it lands after the focus arrives: the text
// is selected once the click is done.
bool ParameterDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (auto* box = qobject_cast<QLineEdit*>(watched)) {
            QTimer::singleShot(0, box, &QLineEdit::selectAll);
        }
    }
    return QDialog::eventFilter(watched, event);
}

namespace {

// The text of a label that stands in one column of the grid (a heading over
// several columns names none of them).
QString labelText(QGridLayout* grid, int row, int column) {
    QLayoutItem* item = grid->itemAtPosition(row, column);
    auto* label = item != nullptr ? qobject_cast<QLabel*>(item->widget()) : nullptr;
    if (label == nullptr) {
        return QString();
    }
    int r = 0, c = 0, rows = 0, columns = 0;
    grid->getItemPosition(grid->indexOf(label), &r, &c, &rows, &columns);
    return columns == 1 ? label->text().remove('&').simplified() : QString();
}

}  // namespace

void ParameterDialog::nameBoxes() {
    auto* grid = qobject_cast<QGridLayout*>(layout());
    if (grid == nullptr) {
        return;
    }
    for (int k = 0; k < grid->count(); ++k) {
        QWidget* box = grid->itemAt(k)->widget();
        if (box == nullptr || !box->accessibleName().isEmpty() ||
            (qobject_cast<QLineEdit*>(box) == nullptr &&
             qobject_cast<QCheckBox*>(box) == nullptr)) {
            continue;
        }
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(k, &row, &column, &rows, &columns);
        QStringList parts;
        if (column > 0) {
            parts << labelText(grid, row, 0);
        }
        for (int above = row - 1; above >= 0; --above) {
            const QString heading = labelText(grid, above, column);
            if (!heading.isEmpty()) {
                parts << heading;
                break;
            }
        }
        if (auto* tick = qobject_cast<QCheckBox*>(box)) {
            parts << tick->text().remove('&');
        }
        parts.removeAll(QString());
        box->setAccessibleName(parts.join(", "));
    }
}

}  // namespace vendrel
