#pragma once
// Options that take one value, read the same way by both programs.

#include <QCommandLineParser>
#include <QString>
#include <optional>
#include <string>

namespace vendrel {

// The bytes of the only value of option `name`, or nothing when it is not
// given. Throws UsageError when it is given more than once.
std::optional<std::string> single_value(const QCommandLineParser& parser, const QString& name);

}  // namespace vendrel
