#pragma once
// A dialog on a group of parameters, described by a short table.
//
// The table lists, in the order OK runs them, the reads of the dialog's
// boxes and the range checks on the values read. Each box is bound to one
// value of the parameter table (core/parameter_fields.h) by its code name
// ("diff_coeff", "depths_3") and carries that name as its objectName; a box
// may show a value derived from its field instead, the height above the
// base of the section (max_y minus the depth-down value), and is then named
// after what it shows ("baselevel_height"). Integer fields are read as
// integers, with the integer messages.
//
// Conventions shared by every dialog: the boxes show the current values
// when the dialog opens, unchecked. On OK the steps run in order; the first
// that fails (no number, a value that is not finite, a value out of range)
// shows its message, puts the focus in its box with the text selected and
// keeps the dialog open, and nothing is kept. Cancel, Escape and the close
// box keep nothing. What OK read goes into the model only through store().
// A box selects its text whenever it takes the focus, and every box is
// named for screen readers after its row's label and its column's heading.

#include <QDialog>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

#include "core/display_settings.h"
#include "core/model_parameters.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vendrel {

class WindowServices;
struct ParameterField;

struct DialogStep {
    enum class Kind { Read, ReadTick, Check };
    Kind kind = Kind::Read;
    std::string box;    // the box's name
    std::string field;  // reads: the parameter it shows and stores
    bool heightAboveBase = false;
    double low = 0, high = 0;  // checks
};

// A box showing the field of its own name ("depths_3").
DialogStep readBox(std::string field);
// A box showing the height above the base of the section of a depth-down
// field ("baselevel_height" for "baselevel").
DialogStep readHeight(std::string box, std::string field);
// A check box: ticked for the value 1, read as 1 or 0.
DialogStep readTick(std::string field);
// The value last read from `box` lies within [low, high].
DialogStep checkRange(std::string box, double low, double high);
// The code name of element k (from 1) of an array field: "depths_3".
std::string elementName(std::string_view field, int k);

class ParameterDialog : public QDialog {
    Q_OBJECT

  public:
    ParameterDialog(WindowServices& services, const ModelParameters& model,
                    const DisplaySettings& display, QWidget* parent);

    // OK: runs the steps; closes only when every one passes.
    void accept() override;

    // Writes what OK read into the fields the boxes are bound to, then what
    // the dialog couples to them. Heights are converted with the max_y in
    // force before the couplings.
    void store(ModelParameters& model, DisplaySettings& display) const;
    // The same for a dialog whose boxes show display settings only.
    void storeDisplay(DisplaySettings& display) const;

    QLineEdit* edit(std::string_view name) const;
    QCheckBox* tick(std::string_view name) const;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Creates the boxes of the read steps, in their order, showing the
    // values the dialog opened with.
    void setSteps(std::vector<DialogStep> steps);
    // What follows from the stored values; `before` is the model as it was.
    virtual void couple(ModelParameters& model, const ModelParameters& before) const;

    // OK (the default button) and Cancel, wired to accept and reject.
    QWidget* okCancelButtons();
    QPushButton* cancelButton() const { return cancel_; }

    // The values the dialog opened with.
    const ModelParameters& model() const { return model_; }

    // The value of a box as last read (or as opened with).
    double value(std::string_view name) const;
    // Sets a box's value and shows it.
    void setValue(std::string_view name, double value);
    // Reads one box's text into its value; on failure shows the message and
    // returns false, the value unchanged.
    bool readIntoValue(std::string_view name);

    // Shows `message`, then puts the focus in `box` with its text selected.
    void refuse(QLineEdit* box, const QString& message);

  private:
    // Accessible names from the grid's labels, for boxes that have none.
    void nameBoxes();

    struct Box {
        std::string name;
        const ParameterField* field = nullptr;
        int element = 0;
        bool heightAboveBase = false;
        bool integer = false;
        QLineEdit* edit = nullptr;
        QCheckBox* tick = nullptr;
        double value = 0;
    };
    int boxIndex(std::string_view name) const;
    void show(const Box& box);
    // Reads a box's text into `out`; false after showing the box's message.
    bool scan(const Box& box, double& out);

    WindowServices& services_;
    ModelParameters model_;
    DisplaySettings display_;
    std::vector<DialogStep> steps_;
    std::vector<Box> boxes_;
    QPushButton* cancel_ = nullptr;
};

}  // namespace vendrel
