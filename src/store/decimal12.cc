#include "store/decimal12.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kivo {

Decimal12 ToDecimal12(double x) {
  Decimal12 d;
  d.negative = x < 0;
  if (!std::isfinite(x) || x == 0) return d;

  // printf already rounds correctly in decimal (the binary value is converted
  // exactly, then rounded), which a loop of multiplications by ten would not.
  // "%.11e" gives "d.ddddddddddde+XX": one digit, the point, eleven digits.
  char text[40];
  const int n = std::snprintf(text, sizeof text, "%.11e", std::fabs(x));
  if (n < 16 || n >= static_cast<int>(sizeof text)) return Decimal12{{}, 0, d.negative};
  d.digits[0] = static_cast<uint8_t>(text[0] - '0');
  for (int i = 1; i < 12; ++i) d.digits[i] = static_cast<uint8_t>(text[i + 1] - '0');
  d.exponent = std::atoi(text + 14);
  return d;
}

double FromDecimal12(const Decimal12& d) {
  // The mantissa as a twelve-digit integer is exact in a double; one scaling
  // by a power of ten keeps the round trip within the last bit.
  double mantissa = 0;
  for (uint8_t digit : d.digits) mantissa = mantissa * 10 + digit;
  const int scale = d.exponent - 11;
  double value = scale >= 0 ? mantissa * std::pow(10.0, scale) : mantissa / std::pow(10.0, -scale);
  return d.negative ? -value : value;
}

}  // namespace kivo
