#pragma once
// Numbers in the dialogs' edit boxes. A value is shown as printf "%.*g"
// with precision 15 shows it (reals) or as "%d" (integers), and read back
// as scanf "%lf" and "%d" read it: leading blanks skipped, the leading
// number taken, the rest ignored; "." is the decimal separator whatever the
// user's locale. A real that is not finite ("nan", "inf", "1e400") counts
// as no number at all.

#include <QString>
#include <cstdint>
#include <optional>

namespace vendrel {

inline const char* const kEnterNumber = "Enter a number.";
inline const char* const kEnterInteger = "Enter an integer.";

QString formatReal(double value);  // "%.*g", precision 15
QString formatInt(std::int32_t value);
std::optional<double> scanReal(const QString& text);
std::optional<std::int32_t> scanInt(const QString& text);

QString numberRangeMessage(double low, double high);
QString integerRangeMessage(std::int32_t low, std::int32_t high);

}  // namespace vendrel
