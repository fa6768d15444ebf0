#pragma once
// Whether a file name asks for a kind of file by its suffix.

#include <string>
#include <string_view>

namespace vendrel {

// True when the last part of `path` (its file name) ends in `suffix`
// (lowercase, with the dot) in any ASCII case, after at least one more
// byte: "a/B.SVG" ends in ".svg"; ".svg", "svg" and "a.svg/" do not. Other
// bytes of the name are compared as they are.
bool has_file_suffix(const std::string& path, std::string_view suffix);

}  // namespace vendrel
