#include "format/amount_format.h"

#include "store/decimal12.h"

namespace kivo {

std::string FormatAmount(double amount) {
  const Decimal12 d = ToDecimal12(amount);
  std::string text;
  text.reserve(24);
  for (uint8_t digit : d.digits) text += static_cast<char>('0' + digit);

  if (d.exponent >= 0) {
    // The point goes after the first e + 1 digits. Past the twelve digits the
    // integer part still needs its zeros, or 10^13 would read as "1.".
    const size_t integer_digits = static_cast<size_t>(d.exponent) + 1;
    if (integer_digits > text.size()) text.append(integer_digits - text.size(), '0');
    text.insert(integer_digits, 1, '.');
  } else {
    text.insert(0, static_cast<size_t>(-d.exponent), '0');
    text.insert(1, 1, '.');
  }
  // Trailing zeros go, up to the point, which stays.
  text.erase(text.find_last_not_of('0') + 1);
  return text;
}

std::string FormatSignedAmount(double amount) {
  const std::string magnitude = FormatAmount(amount);
  // An amount that rounds to zero has no sign to keep.
  return amount < 0 && magnitude != "0." ? "-" + magnitude : magnitude;
}

}  // namespace kivo
