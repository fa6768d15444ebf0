#pragma once
// Text that may hold any bytes (a file name, a parameter key, an error that
// quotes them) made safe to print on a terminal, on one line. Printable
// UTF-8 stays as it is; a newline is "\n", a carriage return "\r", a tab
// "\t"; every other byte of a control character (C0, DEL, C1, the line and
// paragraph separators, the bidirectional overrides) and every byte that is
// not part of valid UTF-8 is "\xff" (two lowercase hex digits). A backslash
// stays as it is, so text printed once prints the same again.

#include <string>
#include <string_view>

namespace vendrel {

std::string printable_text(std::string_view bytes);

}  // namespace vendrel
