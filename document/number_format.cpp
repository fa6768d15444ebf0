#include "document/number_format.h"

#include <charconv>
#include <cmath>

namespace vendrel {

void append_fixed6(std::string& out, double value) {
    // glibc prints the sign of a NaN; to_chars does too, and both spell the
    // specials "nan", "-nan", "inf" and "-inf".
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::fixed, 6);
    out.append(buffer, result.ptr);
}

void append_int(std::string& out, std::int32_t value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace vendrel
