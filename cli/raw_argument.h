#pragma once
// Command-line arguments are bytes: a file name need not be UTF-8, and a
// name read as UTF-8 and written back would name another file (each bad
// byte turned into U+FFFD). Qt's command-line parser works on QString, so
// each byte is carried as the character of the same number (Latin-1) and
// comes back unchanged; the options themselves are ASCII either way.

#include <QString>
#include <string>
#include <string_view>

namespace vendrel {

QString raw_argument(std::string_view bytes);

// The bytes of an argument (or of a part of one) made by raw_argument.
std::string raw_bytes(const QString& argument);

}  // namespace vendrel
