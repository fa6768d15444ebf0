#pragma once
// Numbers for data exports and messages: the shortest text that reads back
// to the same double (std::to_chars), "." as the decimal separator whatever
// the locale.

#include <string>

namespace vendrel {

void append_shortest(std::string& out, double value);
std::string shortest(double value);

}  // namespace vendrel
