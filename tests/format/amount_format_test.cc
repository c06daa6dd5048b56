#include "format/amount_format.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "store/decimal12.h"

namespace kivo {
namespace {

struct AmountCase {
  double amount;
  const char* text;
};

const AmountCase kAmountCases[] = {
    {12.5, "12.5"},
    {1234.56, "1234.56"},
    {12, "12."},
    {100, "100."},
    {0, "0."},
    {0.05, "0.05"},
    {-3, "3."},
    {-12.5, "12.5"},
    {1, "1."},
    {0.5, "0.5"},
    {0.001, "0.001"},
    {999999999999, "999999999999."},
    {9999999999.99, "9999999999.99"},
    {99999999999.99, "100000000000."},  // thirteen digits: the rounding carries
    {123456789012.4, "123456789012."},  // twelve significant digits
    {123456789012.6, "123456789013."},
    {0.1 + 0.2, "0.3"},        // 0.30000000000000004 within twelve digits
    {1e12, "1000000000000."},  // past twelve digits the zeros stay
    {1.5e13, "15000000000000."},
    {1e-5, "0.00001"},
    {std::numeric_limits<double>::quiet_NaN(), "0."},
    {std::numeric_limits<double>::infinity(), "0."},
};

TEST(FormatAmount, WritesTwelveDigitsWithThePointKept) {
  for (const AmountCase& c : kAmountCases) {
    EXPECT_EQ(FormatAmount(c.amount), c.text) << c.amount;
  }
}

TEST(FormatAmount, TextReadsBackAsTheTwelveDigitValue) {
  for (double x : {12.5, 1234.56, 0.05, 987654.321, 0.000123, 42.0, 1e11 + 0.5}) {
    const double back = std::strtod(FormatAmount(x).c_str(), nullptr);
    EXPECT_EQ(back, FromDecimal12(ToDecimal12(x))) << x;
  }
}

}  // namespace
}  // namespace kivo
