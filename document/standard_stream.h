#pragma once

#include <string_view>

namespace vendrel {

// The file name that stands for standard input where a project is read and
// for standard output where an output is saved.
inline constexpr std::string_view kStandardStream = "-";

}  // namespace vendrel
