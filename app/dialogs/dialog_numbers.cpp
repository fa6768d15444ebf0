#include "app/dialogs/dialog_numbers.h"

#include <charconv>
#include <cmath>
#include <string>

#include "document/number_parse.h"

namespace vendrel {
namespace {

constexpr int kRealChars = 399;
constexpr int kIntChars = 63;

bool isBlank(QChar c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The text after leading blanks, limited to what the reader takes.
std::string scannedPart(const QString& text, int limit) {
    int i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    return text.mid(i, limit).toStdString();
}

bool startsANumber(const std::string& s) {
    const std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    if (i >= s.size()) {
        return false;
    }
    const char c = s[i];
    if (c >= '0' && c <= '9') {
        return true;
    }
    return c == '.' && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '9';
}

}  // namespace

QString formatReal(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

QString formatInt(std::int32_t value) {
    return QString::number(value);
}

std::optional<double> scanReal(const QString& text) {
    const std::string s = scannedPart(text, kRealChars);
    if (!startsANumber(s)) {
        return std::nullopt;
    }
    const double value = parse_real_leading(s);
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int32_t> scanInt(const QString& text) {
    const std::string s = scannedPart(text, kIntChars);
    const std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    if (i >= s.size() || s[i] < '0' || s[i] > '9') {
        return std::nullopt;
    }
    return parse_int_leading(s);
}

QString numberRangeMessage(double low, double high) {
    return QString("Enter a number between %1 and %2.").arg(formatReal(low), formatReal(high));
}

QString integerRangeMessage(std::int32_t low, std::int32_t high) {
    return QString("Enter an integer between %1 and %2.").arg(low).arg(high);
}

}  // namespace vendrel
