// vendrel: the desktop program.

#include <QApplication>
#include <QIcon>

#include "app/vendrel_app.h"

int main(int argc, char** argv) {
    QApplication toolkit(argc, argv);
    QGuiApplication::setDesktopFileName("org.vendrel.Vendrel");
    QIcon icon;
    icon.addFile(":/icons/48/org.vendrel.Vendrel.png");
    icon.addFile(":/icons/256/org.vendrel.Vendrel.png");
    QApplication::setWindowIcon(icon);
    vendrel::CVendrelApp app;
    const QStringList arguments = QApplication::arguments();
    if (!app.InitInstance(arguments.size() > 1 ? arguments[1] : QString())) {
        return 0;  // another copy is running
    }
    const int status = QApplication::exec();
    app.ExitInstance();
    return status;
}
