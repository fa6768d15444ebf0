#pragma once
// A subcommand's command line read by QCommandLineParser, each argument as
// its bytes (raw_argument.h).

#include <QCommandLineParser>

namespace vendrel {

// Parses argv[0..argc). Throws UsageError naming an unknown option or an
// option without its value, or with the parser's own message.
void parse_command_line(QCommandLineParser& parser, int argc, char** argv);

}  // namespace vendrel
