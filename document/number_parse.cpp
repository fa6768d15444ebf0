#include "document/number_parse.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

namespace vendrel {
namespace {

locale_t c_locale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

bool is_c_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

double parse_real_leading(std::string_view token) {
    // A token that is one plain decimal number (what the writer produces)
    // converts with from_chars, which rounds exactly as strtod does; any
    // other text goes to strtod itself in the C locale.
    double value = 0;
    const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
    if (result.ec == std::errc() && result.ptr == token.data() + token.size()) {
        return value;
    }
    const std::string text(token);  // strtod needs a terminated string
    return strtod_l(text.c_str(), nullptr, c_locale());
}

std::int32_t parse_int_leading(std::string_view token) {
    std::size_t i = 0;
    while (i < token.size() && is_c_space(token[i])) {
        ++i;
    }
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
        magnitude = std::min(magnitude * 10 + (token[i] - '0'), kLimit);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace vendrel
