#pragma once
// UTF-8 as names and text arrive: bytes that may or may not be valid.

#include <cstddef>
#include <string_view>

namespace vendrel {

// The length (1 to 4) of the valid UTF-8 sequence at the start of `bytes`,
// with its code point in `code`; 0 when the bytes are not one (empty, a
// stray continuation byte, a sequence cut short, an overlong form, a
// surrogate, beyond U+10FFFF).
std::size_t utf8_sequence(std::string_view bytes, char32_t& code);

}  // namespace vendrel
