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

// The value of a count option (--jobs, --chunk): a whole number of at least
// 1. Throws UsageError naming the option and the value.
int positive_count(const std::string& option, const std::string& text);

}  // namespace vendrel
