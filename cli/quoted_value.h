#pragma once
// A value quoted in an error line: in double quotes, cut after its first
// 200 characters (never inside a UTF-8 sequence) with "..." and its length
// in bytes, so a cell of a megabyte still gives a line one can read.

#include <cstddef>
#include <string>
#include <string_view>

namespace vendrel {

inline constexpr std::size_t kMaxQuotedCharacters = 200;

std::string quoted_value(std::string_view value);

}  // namespace vendrel
