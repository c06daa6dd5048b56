#ifndef KIVO_FORMAT_DISPLAY_MODES_H_
#define KIVO_FORMAT_DISPLAY_MODES_H_

namespace kivo {

// The DisplayDate setting: how a date is written.
inline constexpr int kDateMdy = 0;  // 12/31/2001, without year 12/31
inline constexpr int kDateDmy = 1;  // 31.12.2001, without year 31.12
inline constexpr int kDateYmd = 2;  // 2001.12.31, without year 12.31

// The DisplayHour setting.
inline constexpr int kHour12 = 0;  // 01:45 PM
inline constexpr int kHour24 = 1;  // 13:45

// The settings file may hold any number. The Display Format dialog shows an
// unknown DisplayDate as mm/dd/yyyy and an unknown DisplayHour as 12-hour, so
// every operation here reads them the same way.
[[nodiscard]] constexpr int NormalDisplayDate(int mode) {
  return mode == kDateDmy || mode == kDateYmd ? mode : kDateMdy;
}
[[nodiscard]] constexpr int NormalDisplayHour(int mode) {
  return mode == kHour24 ? kHour24 : kHour12;
}

// A calendar date as plain integers. Values are whatever the caller or a
// record gave; CheckDate says whether they form a valid date.
struct DateValue {
  int year = 0;
  int month = 0;
  int day = 0;
  friend bool operator==(const DateValue&, const DateValue&) = default;
};

// A time of day as plain integers (hour 0..23 and minute 0..59 when valid).
struct TimeValue {
  int hour = 0;
  int minute = 0;
  friend bool operator==(const TimeValue&, const TimeValue&) = default;
};

// What the range checks do with a value out of range.
enum class CheckMode {
  kUp = 0,         // correct upwards: to the lowest valid value (year 1950, month 1, day 1, 0)
  kDown = 1,       // correct downwards: to the highest (year 2150, month 12, last day, 23, 59)
  kCheckOnly = 2,  // leave the values and stop at the first fault
};

}  // namespace kivo

#endif  // KIVO_FORMAT_DISPLAY_MODES_H_
