#include "document/utf8_sequence.h"

namespace vendrel {

std::size_t utf8_sequence(std::string_view bytes, char32_t& code) {
    if (bytes.empty()) {
        return 0;
    }
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xc2 && lead <= 0xdf) {
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

}  // namespace vendrel
