#include "cli/single_value.h"

#include <QStringList>

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

}  // namespace vendrel
