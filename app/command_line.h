#pragma once
// The desktop program's command line: vendrel [--help | --version] [--]
// [PROJECT.vdl]. An argument that begins with "-" is an option until "--"
// ends the options, so a project named "-x.vdl" is opened as
// "vendrel -- -x.vdl". Parsed before the window system is started, so
// --help and --version work without a display.

#include <QString>
#include <QStringList>

namespace vendrel {

struct CommandLine {
    enum class Action { Run, ShowHelp, ShowVersion, Refuse };
    Action action = Action::Run;
    QString project;  // Run: the project to open; empty for a new one
    QString error;    // Refuse: what was wrong, one line
};

// `arguments` as main() gets them, the program's name first.
CommandLine parseCommandLine(const QStringList& arguments);
QString usageText();

}  // namespace vendrel
