// vendrel: the desktop program.

#include <QApplication>

#include "app/vendrel_app.h"

int main(int argc, char** argv) {
    QApplication toolkit(argc, argv);
    vendrel::CVendrelApp app;
    const QStringList arguments = QApplication::arguments();
    if (!app.InitInstance(arguments.size() > 1 ? arguments[1] : QString())) {
        return 0;  // another copy is running
    }
    const int status = QApplication::exec();
    app.ExitInstance();
    return status;
}
