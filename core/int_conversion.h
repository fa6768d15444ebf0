#pragma once

#include <cstdint>
#include <limits>

namespace vendrel {

// Truncates toward zero to int32. A value that is not a number or whose
// truncation lies outside the int32 range gives INT32_MIN, so that a run
// with a degenerate step count takes no steps and records nothing.
inline std::int32_t truncate_to_int32(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(v);
}

}  // namespace vendrel
