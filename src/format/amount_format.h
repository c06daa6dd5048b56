#ifndef KIVO_FORMAT_AMOUNT_FORMAT_H_
#define KIVO_FORMAT_AMOUNT_FORMAT_H_

#include <string>

namespace kivo {

// The amount text: the magnitude rounded to twelve significant digits (the
// digits the amount bytes hold), written with a decimal point and without
// trailing zeros, the point always kept: 12.5 -> "12.5", 12 -> "12.",
// 0 -> "0.", 0.05 -> "0.05". No sign: a negative amount shows its magnitude.
// Amounts of 10^12 and more are written with the zeros their exponent calls
// for ("1000000000000."), so the text always has the amount's value.
[[nodiscard]] std::string FormatAmount(double amount);
// The same with a leading "-" for a negative amount ("-3."), for files that
// must give the amount back as it is.
[[nodiscard]] std::string FormatSignedAmount(double amount);

}  // namespace kivo

#endif  // KIVO_FORMAT_AMOUNT_FORMAT_H_
