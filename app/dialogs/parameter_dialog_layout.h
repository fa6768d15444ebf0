#pragma once
// Small helpers that lay out the dialogs: rows of a label and its boxes in
// a grid, and a wrapped explanatory text.

#include <QGridLayout>
#include <QLabel>
#include <QString>

namespace vendrel {

inline QLabel* wrappedText(QWidget* parent, const QString& text, bool centred = true) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    if (centred) {
        label->setAlignment(Qt::AlignCenter);
    }
    return label;
}

// Puts `label` in column 0 of `row` and the widgets after it.
template <class... Widgets>
void addRow(QGridLayout* grid, int row, QWidget* label, Widgets*... widgets) {
    int column = 0;
    if (label != nullptr) {
        grid->addWidget(label, row, column);
    }
    ((grid->addWidget(widgets, row, ++column)), ...);
}

}  // namespace vendrel
