#include "app/dialogs/technical_details_dialog.h"

#include <QGridLayout>

#include "app/dialogs/ok_button.h"
#include "app/dialogs/parameter_dialog_layout.h"

namespace vendrel {

TechnicalDetailsDialog::TechnicalDetailsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Geeky Details");
    auto* grid = new QGridLayout(this);
    grid->addWidget(wrappedText(this,
                                "Vendrel is a standalone desktop application. Its interface is "
                                "built with the Qt toolkit and its code is written in C++."),
                    0, 0);
    grid->addWidget(wrappedText(this,
                                "The computational engine runs as a separate thread, so the "
                                "window stays responsive, and its heavy loops over the columns "
                                "are shared among worker threads."),
                    1, 1);
    grid->addWidget(okButton(this), 2, 0, Qt::AlignCenter);
    grid->addWidget(wrappedText(this, "None of the code is available as open source."), 2, 2);
}

}  // namespace vendrel
