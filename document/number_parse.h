#pragma once
// Numbers as the project reader takes them, whatever the process locale:
// reals with the C library's decimal conversion (leading number taken, the
// rest ignored, no number gives 0, "inf" and "nan" texts, "." as the
// decimal separator), integers with its integer conversion (optional sign
// and digits, no digits give 0), saturating at the int32 limits.

#include <cstdint>
#include <string_view>

namespace vendrel {

double parse_real_leading(std::string_view token);
std::int32_t parse_int_leading(std::string_view token);

}  // namespace vendrel
