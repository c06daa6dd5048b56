#ifndef KIVO_FORMAT_DATE_FORMAT_H_
#define KIVO_FORMAT_DATE_FORMAT_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "format/display_modes.h"

namespace kivo {

// Dates the organizer accepts.
inline constexpr int kMinYear = 1950;
inline constexpr int kMaxYear = 2150;

[[nodiscard]] bool IsLeapYear(int year);
// Length of the month (1..12) in the year; 0 for a month out of range.
[[nodiscard]] int DaysInMonth(int year, int month);

// A record's BcdDate: century, year, month and day, one BCD byte each. The
// bytes come from files and the line, so nibbles above 9 are simply weighed as
// written ((b >> 4) * 10 + (b & 15)); the result may be out of range but is
// always defined.
[[nodiscard]] DateValue DateFromBcd(std::span<const uint8_t, 4> bytes);

// The date text in the display mode: "12/31/2001", "31.12.2001", "2001.12.31",
// or without year "12/31", "31.12", "12.31". Month and day are two digits, the
// year "%4d". Values out of range are printed as they are.
[[nodiscard]] std::string FormatDate(int year, int month, int day, int display_date,
                                     bool with_year);
[[nodiscard]] std::string FormatDate(const DateValue& date, int display_date, bool with_year);
[[nodiscard]] std::string FormatDate(std::span<const uint8_t, 4> bcd_date, int display_date,
                                     bool with_year);

// Reads a date typed or imported in the display mode. Blanks are ignored;
// month and day may have one or two digits, a year exactly four. Without year
// the year is today's. The result is the range check of the values:
// with year_check the year must lie in 1950..2150 and decides 29 February;
// without it the year is left unchecked and 29 February always passes.
// *date receives the values read even when the result is false.
[[nodiscard]] bool ParseDate(std::string_view text, int display_date, bool with_year,
                             bool year_check, const DateValue& today, DateValue* date);

// Range check of the values given (a null pointer is a value not given): year
// 1950..2150, month 1..12, day 1..length of the month (February of a given
// leap year has 29 days; without a year it has 28, without a month every day
// up to 31 passes). True when every given value was valid. kUp and kDown
// correct the faulty values (see CheckMode) and go on checking; kCheckOnly
// stops at the first fault and changes nothing.
[[nodiscard]] bool CheckDate(int* year, int* month, int* day, CheckMode mode);
[[nodiscard]] bool CheckDate(DateValue& date, CheckMode mode);

// The one-step changes of a date field. Years run round 2150 -> 1950 and back,
// months carry into the year, days into the month.
enum class DateStep {
  kYearUp = 0,
  kYearDown = 1,
  kMonthUp = 2,
  kMonthDown = 3,
  kDayUp = 4,
  kDayDown = 5,
};

// Brings the date into range first (upwards for the Up steps, downwards for
// the Down steps) and returns whether it already was in range; then applies
// the step. Values not given (null) start as 2001, 3 and 3. A step that is no
// DateStep value only normalises.
bool StepDate(int* year, int* month, int* day, DateStep step);
bool StepDate(DateValue& date, DateStep step);

}  // namespace kivo

#endif  // KIVO_FORMAT_DATE_FORMAT_H_
