#include "document/shortest_number.h"

#include <charconv>

namespace vendrel {

void append_shortest(std::string& out, double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

std::string shortest(double value) {
    std::string out;
    append_shortest(out, value);
    return out;
}

}  // namespace vendrel
