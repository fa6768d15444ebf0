#include "document/number_format.h"

#include <charconv>
#include <cmath>

namespace vendrel {

namespace {

// glibc prints the sign of a NaN; to_chars does too, and both spell the
// specials "nan", "-nan", "inf" and "-inf".
void append_fixed(std::string& out, double value, int precision) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    out.append(buffer, result.ptr);
}

}  // namespace

void append_fixed6(std::string& out, double value) {
    append_fixed(out, value, 6);
}

std::string format_fixed(double value, int width, int precision) {
    std::string digits;
    append_fixed(digits, value, precision);
    if (int(digits.size()) < width) {
        digits.insert(0, std::size_t(width) - digits.size(), ' ');
    }
    return digits;
}

void append_int(std::string& out, std::int32_t value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace vendrel
