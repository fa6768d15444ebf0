// vendrel: the desktop program.

#include <QApplication>
#include <QIcon>
#include <cstdio>

#include "app/command_line.h"
#include "app/local_file_name.h"
#include "app/vendrel_application.h"
#include "document/printable_text.h"
#include "vendrel/version.h"

int main(int argc, char** argv) {
    // Arguments are bytes: a project's name need not be UTF-8.
    QStringList arguments;
    for (int k = 0; k < argc; ++k) {
        arguments.append(vendrel::localFileName(argv[k]));
    }
    // Options first: they need no display and no instance lock.
    const vendrel::CommandLine line = vendrel::parseCommandLine(arguments);
    switch (line.action) {
        case vendrel::CommandLine::Action::ShowHelp:
            std::fputs(vendrel::usageText().toLocal8Bit().constData(), stdout);
            return 0;
        case vendrel::CommandLine::Action::ShowVersion:
            std::printf("vendrel %s\n", vendrel::kVersion);
            return 0;
        case vendrel::CommandLine::Action::Refuse:
            std::fprintf(stderr, "vendrel: %s\n",
                         vendrel::printable_text(vendrel::localFileNameBytes(line.error)).c_str());
            return 2;
        case vendrel::CommandLine::Action::Run:
            break;
    }
    QApplication toolkit(argc, argv);
    QGuiApplication::setDesktopFileName("org.vendrel.Vendrel");
    QIcon icon;
    icon.addFile(":/icons/48/org.vendrel.Vendrel.png");
    icon.addFile(":/icons/256/org.vendrel.Vendrel.png");
    QApplication::setWindowIcon(icon);
    vendrel::VendrelApplication app;
    if (!app.start(line.project)) {
        return app.launchStatus();  // handed to the running copy, or one line said why not
    }
    const int status = QApplication::exec();
    app.finish();
    return status;
}
