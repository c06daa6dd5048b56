#include "store/amount.h"

#include <cmath>

#include "store/decimal12.h"

namespace kivo {

namespace {

constexpr int kExponentBias = 60;
constexpr int kEncodeBias = 49;  // e + 49 is the exponent byte of d1.d2..d12 x 10^e
constexpr int kMinExponent = -kEncodeBias;
constexpr int kMaxExponent = 127 - kEncodeBias;
constexpr uint8_t kNegative = 0x80;

// 10^k, exact for k <= 22, which keeps amounts like 1234.56 exact through a
// round trip instead of accumulating the error of repeated multiplications.
double PowerOfTen(int k) {
  double result = 1.0;
  double step = 10.0;
  for (int n = k; n > 0; n >>= 1) {
    if (n & 1) result *= step;
    step *= step;
  }
  return result;
}

// The sign bit on the largest exponent byte would make 0xFF, the record
// terminator: a negative amount stops one exponent lower.
int MaxExponent(bool negative) { return negative ? kMaxExponent - 1 : kMaxExponent; }

AmountBytes Largest(bool negative) {
  AmountBytes a{0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0, 0};
  a[7] = static_cast<uint8_t>(MaxExponent(negative) + kEncodeBias) | (negative ? kNegative : 0);
  return a;
}

}  // namespace

double DecodeAmount(const AmountBytes& a) {
  double mantissa = 0;
  for (int i = 5; i >= 0; --i) mantissa = mantissa * 100 + FromBcd(a[static_cast<size_t>(i)]);
  int exponent = (a[7] & 0x7F) - kExponentBias;
  double value = exponent < 0 ? mantissa / PowerOfTen(-exponent) : mantissa * PowerOfTen(exponent);
  return (a[7] & kNegative) != 0 ? -value : value;
}

double DecodeAmount(const ExpenseRecord& record) { return DecodeAmount(record.amount); }

AmountBytes EncodeAmountBytes(double value) {
  AmountBytes a{};
  bool negative = value < 0;
  if (std::isnan(value) || value == 0) {
    a[7] = kEncodeBias;
    return a;
  }
  if (std::isinf(value)) return Largest(negative);
  // The same twelve-digit decomposition as the amount text, so the bytes and
  // the text never disagree on a digit.
  Decimal12 decimal = ToDecimal12(value);
  const auto& digits = decimal.digits;
  int exponent = decimal.exponent;
  if (exponent < kMinExponent) {
    a[7] = kEncodeBias;
    return a;
  }
  if (exponent > MaxExponent(negative)) return Largest(negative);
  for (int pair = 0; pair < 6; ++pair) {
    a[static_cast<size_t>(5 - pair)] = ToBcd(digits[2 * pair] * 10 + digits[2 * pair + 1]);
  }
  a[7] = static_cast<uint8_t>(exponent + kEncodeBias) | (negative ? kNegative : 0);
  return a;
}

void EncodeAmount(ExpenseRecord* record, double value) {
  if (record != nullptr) record->amount = EncodeAmountBytes(value);
}

bool IsEncodableAmount(double value) {
  if (!std::isfinite(value)) return false;
  if (value == 0) return true;
  double magnitude = std::fabs(value);
  return magnitude >= 1e-49 && magnitude < (value < 0 ? 9.999999999995e77 : 9.999999999995e78);
}

}  // namespace kivo
