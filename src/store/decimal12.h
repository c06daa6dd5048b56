#ifndef KIVO_STORE_DECIMAL12_H_
#define KIVO_STORE_DECIMAL12_H_

#include <array>
#include <cstdint>

namespace kivo {

// A number in normalised scientific notation rounded to twelve significant
// digits: |x| = d1.d2...d12 x 10^exponent with digits[0] = d1 (1..9 unless the
// number is zero). The expense amount bytes and the amount text are both built
// from this one decomposition, so the two never disagree on a digit.
struct Decimal12 {
  std::array<uint8_t, 12> digits{};
  int exponent = 0;
  bool negative = false;  // x < 0; minus zero counts as not negative
};

// Rounds to the nearest twelve-digit value (a binary value exactly halfway
// goes to the even digit), carrying into the exponent: 9.999999999996
// becomes 1.00000000000 x 10^1. Zero gives twelve zero digits
// and exponent 0. NaN and the infinities have no digits to give: they come
// back as zero (an infinity keeps its sign flag), so no caller ever sees a
// stray digit value above 9.
[[nodiscard]] Decimal12 ToDecimal12(double x);

// The value of a decomposition, for tests and round trips.
[[nodiscard]] double FromDecimal12(const Decimal12& d);

}  // namespace kivo

#endif  // KIVO_STORE_DECIMAL12_H_
