#include "document/printable_text.h"

#include <cstdio>

#include "document/utf8_sequence.h"

namespace vendrel {
namespace {

// Characters that move the cursor, end a line or reorder the text around
// them on a terminal.
bool is_control(char32_t code) {
    return (code >= 0x80 && code <= 0x9f) || code == 0x061c || code == 0x200e || code == 0x200f ||
           (code >= 0x2028 && code <= 0x202e) || (code >= 0x2066 && code <= 0x2069);
}

void append_escaped(std::string& out, unsigned char byte) {
    char escaped[5];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", unsigned(byte));
    out += escaped;
}

}  // namespace

std::string printable_text(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t k = 0;
    while (k < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[k]);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            append_escaped(out, c);
        } else if (c < 0x80) {
            out += char(c);
        } else {
            char32_t code = 0;
            const std::size_t length = utf8_sequence(bytes.substr(k), code);
            if (length == 0) {
                append_escaped(out, c);
            } else {
                for (std::size_t b = 0; b < length; ++b) {
                    if (is_control(code)) {
                        append_escaped(out, static_cast<unsigned char>(bytes[k + b]));
                    } else {
                        out += bytes[k + b];
                    }
                }
                k += length;
                continue;
            }
        }
        ++k;
    }
    return out;
}

}  // namespace vendrel
