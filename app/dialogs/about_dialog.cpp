#include "app/dialogs/about_dialog.h"

#include <QGridLayout>
#include <QLabel>

#include "app/dialogs/ok_button.h"
#include "app/dialogs/parameter_dialog_layout.h"
#include "vendrel/version.h"

namespace vendrel {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About Vendrel");
    auto* grid = new QGridLayout(this);
    grid->addWidget(wrappedText(this, "Made by the Vendrel developers"), 0, 0);
    auto* version = new QLabel(QString("Vendrel, Version ") + kVersion, this);
    version->setTextFormat(Qt::PlainText);
    version->setAlignment(Qt::AlignCenter);
    grid->addWidget(version, 1, 0);
    grid->addWidget(wrappedText(this, "Copyright (C) 2026"), 2, 0);
    grid->addWidget(okButton(this), 3, 0, Qt::AlignCenter);
}

}  // namespace vendrel
