#include "document/printable_text.h"

#include <cstdio>

namespace vendrel {
namespace {

// The length of the valid UTF-8 sequence at the start of `bytes` (2 to 4)
// and its code point; 0 when the bytes are not one (a stray continuation
// byte, a sequence cut short, an overlong form, a surrogate, beyond
// U+10FFFF).
std::size_t utf8_sequence(std::string_view bytes, char32_t& code) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t min = 0;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        code = lead & 0x1f;
        min = 0x80;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        code = lead & 0x0f;
        min = 0x800;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        code = lead & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xc0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(k) & 0x3f);
    }
    if (code < min || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) {
        return 0;
    }
    return length;
}

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
