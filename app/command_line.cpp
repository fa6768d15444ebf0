#include "app/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace vendrel {

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption version("version");
    parser.addOption(help);
    parser.addOption(version);
    CommandLine line;
    if (!parser.parse(arguments)) {
        line.action = CommandLine::Action::Refuse;
        line.error = parser.errorText();
    } else if (parser.isSet(help)) {
        line.action = CommandLine::Action::ShowHelp;
    } else if (parser.isSet(version)) {
        line.action = CommandLine::Action::ShowVersion;
    } else if (!parser.positionalArguments().isEmpty()) {
        line.project = parser.positionalArguments().constFirst();
    }
    return line;
}

QString usageText() {
    return "Usage: vendrel [OPTION]... [PROJECT.vdl]\n"
           "Simulates how a carbonate ramp or platform grows in a 2D cross-section.\n"
           "Opens PROJECT.vdl, or a new simulation without one.\n"
           "\n"
           "  -h, --help     show this help and exit\n"
           "      --version  show the version and exit\n"
           "  --             end of the options: a project named -x.vdl is opened\n"
           "                 as vendrel -- -x.vdl\n";
}

}  // namespace vendrel
