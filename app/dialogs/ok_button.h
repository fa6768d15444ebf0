#pragma once
// The one OK button of the information dialogs.

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace vendrel {

inline QDialogButtonBox* okButton(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    return buttons;
}

}  // namespace vendrel
