#ifndef KIVO_STORE_AMOUNT_H_
#define KIVO_STORE_AMOUNT_H_

#include <array>
#include <cstdint>
#include <span>

#include "store/record_codec.h"

namespace kivo {

// An amount is 8 bytes (record bytes 5..12 of an Expense record), a decimal
// floating-point number with a 12-digit mantissa:
//   a[5] .. a[0]  the mantissa M as six BCD bytes, most significant in a[5];
//   a[6]          0;
//   a[7]          bits 0..6 the exponent byte E, bit 7 the sign (set: negative).
// Value = M x 10^(E - 60). 12.5 is 00 00 00 00 50 12 00 32, 0 is seven zero
// bytes and 31, -3 is 00 00 00 00 00 30 00 B1.
using AmountBytes = std::array<uint8_t, 8>;

// Always a finite value: a nibble above 9 reads as FromBcd does (a byte up to
// 165) and the 7-bit exponent keeps the magnitude within 10^-60 .. 10^80.
double DecodeAmount(const AmountBytes& amount);
double DecodeAmount(const ExpenseRecord& record);

// Rounded to 12 significant digits. Numbers too small for the exponent byte
// (below about 10^-49) and NaN give 0; numbers too large for it and the
// infinities give the largest amount of their sign (9.99999999999e78, and
// -9.99999999999e77: with the sign bit the exponent byte of e78 would be 0xFF,
// the record terminator).
AmountBytes EncodeAmountBytes(double value);
void EncodeAmount(ExpenseRecord* record, double value);

// True when the value survives EncodeAmountBytes within its 12 digits. Places
// that take amounts from the user refuse the others before they reach a record.
bool IsEncodableAmount(double value);

}  // namespace kivo

#endif  // KIVO_STORE_AMOUNT_H_
