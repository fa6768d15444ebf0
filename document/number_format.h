#pragma once
// Numbers as the project file writes them, independent of the process locale:
// reals as printf "%lf" prints them in the C locale (six decimals, "."),
// integers as "%d".

#include <cstdint>
#include <string>

namespace vendrel {

void append_fixed6(std::string& out, double value);
void append_int(std::string& out, std::int32_t value);

// printf "%<width>.<precision>lf" in the C locale: fixed notation, right
// aligned in at least `width` characters.
std::string format_fixed(double value, int width, int precision);

}  // namespace vendrel
