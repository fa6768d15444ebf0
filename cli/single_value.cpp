#include "cli/single_value.h"

#include <QStringList>
#include <limits>

#include "cli/parameter_assignment.h"
#include "cli/quoted_value.h"
#include "cli/raw_argument.h"
#include "cli/run_options.h"

namespace vendrel {

std::optional<std::string> single_value(const QCommandLineParser& parser, const QString& name) {
    const QStringList values = parser.values(name);
    if (values.size() > 1) {
        throw UsageError("--" + raw_bytes(name) + " given more than once");
    }
    if (values.isEmpty()) {
        return std::nullopt;
    }
    return raw_bytes(values.front());
}

int positive_count(const std::string& option, const std::string& text) {
    const std::optional<int> n = parse_int_strict(text);
    if (!n || *n < 1) {
        throw UsageError("--" + option + " expects a whole number from 1 to " +
                         std::to_string(std::numeric_limits<int>::max()) + ", got " +
                         quoted_value(text));
    }
    return *n;
}

}  // namespace vendrel
