#include "cli/quoted_value.h"

namespace vendrel {

std::string quoted_value(std::string_view value) {
    std::size_t end = 0;
    std::size_t characters = 0;
    while (end < value.size() && characters < kMaxQuotedCharacters) {
        ++end;
        // Continuation bytes (10xxxxxx) belong to the character before.
        while (end < value.size() && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80) {
            ++end;
        }
        ++characters;
    }
    std::string text;
    text.reserve(end + 32);
    text += '"';
    text.append(value.data(), end);
    if (end == value.size()) {
        text += '"';
        return text;
    }
    text += "...\" (";
    text += std::to_string(value.size());
    text += " bytes)";
    return text;
}

}  // namespace vendrel
