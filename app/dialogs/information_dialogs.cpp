#include "app/dialogs/information_dialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "app/dialogs/parameter_dialog_layout.h"
#include "vendrel/version.h"

namespace vendrel {
namespace {

QDialogButtonBox* ok_button(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    return buttons;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About Vendrel");
    auto* grid = new QGridLayout(this);
    grid->addWidget(wrapped_text(this, "Made by the Vendrel developers"), 0, 0);
    auto* version = new QLabel(QStringLiteral("Vendrel, Version ") + kVersion, this);
    version->setTextFormat(Qt::PlainText);
    version->setAlignment(Qt::AlignCenter);
    grid->addWidget(version, 1, 0);
    grid->addWidget(wrapped_text(this, "Copyright (C) 2026"), 2, 0);
    grid->addWidget(ok_button(this), 3, 0, Qt::AlignCenter);
}

CgeekyDlg::CgeekyDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Geeky Details");
    auto* grid = new QGridLayout(this);
    grid->addWidget(
        wrapped_text(this,
                     "Vendrel is a standalone desktop application. Its interface is built "
                     "with the Qt toolkit and its code is written in C++."),
        0, 0);
    grid->addWidget(
        wrapped_text(this,
                     "The computational engine runs as a separate thread, so the window "
                     "stays responsive, and its loops over the columns are parallelised "
                     "with OpenMP."),
        1, 1);
    grid->addWidget(ok_button(this), 2, 0, Qt::AlignCenter);
    grid->addWidget(wrapped_text(this, "None of the code is available as open source."), 2, 2);
}

}  // namespace vendrel
