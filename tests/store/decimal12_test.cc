#include "store/decimal12.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace kivo {
namespace {

std::string Digits(const Decimal12& d) {
  std::string text;
  for (uint8_t digit : d.digits) text += static_cast<char>('0' + digit);
  return text;
}

struct DecimalCase {
  double x;
  const char* digits;
  int exponent;
  bool negative;
};

const DecimalCase kCases[] = {
    {12.5, "125000000000", 1, false},
    {1234.56, "123456000000", 3, false},
    {0.05, "500000000000", -2, false},
    {-3, "300000000000", 0, true},
    {0, "000000000000", 0, false},
    {-0.0, "000000000000", 0, false},
    {1, "100000000000", 0, false},
    {999999999999, "999999999999", 11, false},
    // The thirteenth digit rounds, and a carry moves the exponent.
    {1234567890125.1, "123456789013", 12, false},
    {9.999999999996, "100000000000", 1, false},
    {9.999999999994, "999999999999", 0, false},
    {0.1 + 0.2, "300000000000", -1, false},
    {1e-300, "100000000000", -300, false},
    {1.7976931348623157e308, "179769313486", 308, false},
    // Nothing to decompose: zero digits, never a digit above 9.
    {std::numeric_limits<double>::quiet_NaN(), "000000000000", 0, false},
    {std::numeric_limits<double>::infinity(), "000000000000", 0, false},
    {-std::numeric_limits<double>::infinity(), "000000000000", 0, true},
};

TEST(Decimal12, DecomposesIntoTwelveDigitsAndExponent) {
  for (const DecimalCase& c : kCases) {
    const Decimal12 d = ToDecimal12(c.x);
    EXPECT_EQ(Digits(d), c.digits) << c.x;
    EXPECT_EQ(d.exponent, c.exponent) << c.x;
    EXPECT_EQ(d.negative, c.negative) << c.x;
  }
}

TEST(Decimal12, RoundTripsTwelveDigitValues) {
  for (double x : {12.5, 1234.56, 0.05, -3.0, 987654321098.0, 0.000123456789012, 1e-40, 4.2e50}) {
    const double back = FromDecimal12(ToDecimal12(x));
    EXPECT_NEAR(back, x, std::fabs(x) * 1e-15) << x;
  }
  EXPECT_EQ(FromDecimal12(ToDecimal12(12.5)), 12.5);
  EXPECT_EQ(FromDecimal12(ToDecimal12(1234.56)), 1234.56);
  EXPECT_EQ(FromDecimal12(ToDecimal12(0.05)), 0.05);
}

}  // namespace
}  // namespace kivo
