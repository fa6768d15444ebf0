#pragma once
// Small helpers that lay out the parameter dialogs: rows of a label and
// its edit boxes in a grid, a wrapped explanatory text, and the buttons.

#include <QGridLayout>
#include <QLabel>
#include <QString>

namespace vendrel {

inline QLabel* wrapped_text(QWidget* parent, const QString& text, bool centred = true) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    if (centred) {
        label->setAlignment(Qt::AlignCenter);
    }
    return label;
}

// Puts `label` in column 0 of `row` and the widgets after it.
template <class... Widgets>
void add_row(QGridLayout* grid, int row, QWidget* label, Widgets*... widgets) {
    int column = 0;
    if (label != nullptr) {
        grid->addWidget(label, row, column);
    }
    ((grid->addWidget(widgets, row, ++column)), ...);
}

}  // namespace vendrel
