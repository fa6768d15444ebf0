#include "sweep/command_line.h"

#include <string>

#include "cli/quoted_value.h"
#include "cli/raw_argument.h"
#include "cli/run_options.h"

namespace vendrel {

void parse_command_line(QCommandLineParser& parser, int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        args.append(raw_argument(argv[i]));
    }
    if (!parser.parse(args)) {
        if (!parser.unknownOptionNames().isEmpty()) {
            throw UsageError("unknown option " +
                             quoted_value("--" + raw_bytes(parser.unknownOptionNames().front())));
        }
        // Qt's "Missing value after '--out'." in the words of every other
        // message here.
        const std::string text = raw_bytes(parser.errorText());
        const std::string missing = "Missing value after '";
        if (text.rfind(missing, 0) == 0 && text.size() > missing.size() + 2) {
            throw UsageError(text.substr(missing.size(), text.size() - missing.size() - 2) +
                             " needs a value");
        }
        throw UsageError(text);
    }
}

}  // namespace vendrel
