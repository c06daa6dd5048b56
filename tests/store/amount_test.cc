#include "store/amount.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace kivo {
namespace {

struct AmountCase {
  double value;
  AmountBytes bytes;  // a[0] first
};

TEST(Amount, WorkedByteExamples) {
  const AmountCase cases[] = {
      {12.5, {0x00, 0x00, 0x00, 0x00, 0x50, 0x12, 0x00, 0x32}},
      {0.0, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x31}},
      {-3.0, {0x00, 0x00, 0x00, 0x00, 0x00, 0x30, 0x00, 0xB1}},
      {1234.56, {0x00, 0x00, 0x00, 0x56, 0x34, 0x12, 0x00, 52}},
      {0.05, {0x00, 0x00, 0x00, 0x00, 0x00, 0x50, 0x00, 47}},
      {123456789012.0, {0x12, 0x90, 0x78, 0x56, 0x34, 0x12, 0x00, 60}},
      {-0.0, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x31}},
  };
  for (const AmountCase& c : cases) {
    EXPECT_EQ(EncodeAmountBytes(c.value), c.bytes) << c.value;
    EXPECT_DOUBLE_EQ(DecodeAmount(c.bytes), c.value) << c.value;
  }
}

TEST(Amount, RoundTripKeepsTwelveDigits) {
  const double values[] = {1234.56, 0.05,    -99999.99, 1e-40,          7e70,
                           0.1,     1.0 / 3, 2.0 / 3,   999999999999.0, 12345678901234.0};
  for (double v : values) {
    double back = DecodeAmount(EncodeAmountBytes(v));
    EXPECT_NEAR(back, v, std::fabs(v) * 1e-11) << v;
  }
  // 0.1 + 0.2 is printed and stored as the 12-digit 0.3.
  EXPECT_EQ(EncodeAmountBytes(0.1 + 0.2), EncodeAmountBytes(0.3));
  // Rounding carries into the exponent.
  EXPECT_EQ(EncodeAmountBytes(9.9999999999999), EncodeAmountBytes(10.0));
}

TEST(Amount, ExpenseRecordField) {
  ExpenseRecord r;
  EncodeAmount(&r, 12.5);
  EXPECT_EQ(r.amount, (AmountBytes{0, 0, 0, 0, 0x50, 0x12, 0, 0x32}));
  EXPECT_DOUBLE_EQ(DecodeAmount(r), 12.5);
  EncodeAmount(nullptr, 1.0);  // no record: nothing happens
}

// Values the exponent byte cannot carry get a defined amount, never garbage.
TEST(Amount, OutOfRangeEncodes) {
  const double inf = std::numeric_limits<double>::infinity();
  const AmountBytes zero{0, 0, 0, 0, 0, 0, 0, 0x31};
  const AmountBytes largest{0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0, 127};
  // One exponent lower: 127 with the sign bit would be the terminator 0xFF.
  const AmountBytes largest_negative{0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0, 0x80 | 126};
  EXPECT_EQ(EncodeAmountBytes(1e-60), zero);
  EXPECT_EQ(EncodeAmountBytes(std::nan("")), zero);
  EXPECT_EQ(EncodeAmountBytes(1e100), largest);
  EXPECT_EQ(EncodeAmountBytes(inf), largest);
  EXPECT_EQ(EncodeAmountBytes(-1e100), largest_negative);
  EXPECT_EQ(EncodeAmountBytes(-inf), largest_negative);
  EXPECT_TRUE(IsEncodableAmount(1e-49));
  EXPECT_TRUE(IsEncodableAmount(0));
  EXPECT_FALSE(IsEncodableAmount(1e-50));
  EXPECT_FALSE(IsEncodableAmount(1e79));
  EXPECT_TRUE(IsEncodableAmount(9.99999999999e78));
  EXPECT_TRUE(IsEncodableAmount(-9.99999999999e77));
  EXPECT_FALSE(IsEncodableAmount(-1e78));
  EXPECT_EQ(EncodeAmountBytes(-1e78), largest_negative);
  EXPECT_FALSE(IsEncodableAmount(inf));
}

struct DecodeCase {
  const char* name;
  AmountBytes bytes;
  double value;
};

// What decoding makes of bytes the encoder never writes.
TEST(Amount, UntrustedBytesDecodeToFiniteValues) {
  const DecodeCase cases[] = {
      {"smallest exponent", {0, 0, 0, 0, 0, 0x10, 0, 0x00}, 1e11 * 1e-60},
      {"largest exponent", {0, 0, 0, 0, 0, 0x10, 0, 0x7F}, 1e11 * 1e67},
      {"all nibbles 0xF",
       {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
       -165.0 * (1e10 + 1e8 + 1e6 + 1e4 + 1e2 + 1) * 1e67},
      {"byte 6 ignored", {0, 0, 0, 0, 0, 0x10, 0x77, 0x3C}, 1e11},
      {"nibble above 9 in the mantissa", {0, 0, 0, 0, 0, 0x1A, 0, 60}, 20e10},
  };
  for (const DecodeCase& c : cases) {
    double value = DecodeAmount(c.bytes);
    EXPECT_TRUE(std::isfinite(value)) << c.name;
    EXPECT_NEAR(value, c.value, std::fabs(c.value) * 1e-12) << c.name;
  }
}

}  // namespace
}  // namespace kivo
