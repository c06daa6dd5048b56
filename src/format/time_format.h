#ifndef KIVO_FORMAT_TIME_FORMAT_H_
#define KIVO_FORMAT_TIME_FORMAT_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "format/display_modes.h"

namespace kivo {

// A record's BcdTime: hour and minute, one BCD byte each, nibbles above 9
// weighed as written (so at most 165).
[[nodiscard]] TimeValue TimeFromBcd(std::span<const uint8_t, 2> bytes);

// The time text: 24-hour mode "13:45"; 12-hour mode "01:45 PM", with hour 0
// as "12:05 AM" and hour 12 as "12:00 PM". An hour outside 0..23 (only a
// damaged record has one) has no AM/PM reading and is printed as in 24-hour
// mode, so it can never pass for a valid 12-hour time.
[[nodiscard]] std::string FormatTime(int hour, int minute, int display_hour);
[[nodiscard]] std::string FormatTime(const TimeValue& time, int display_hour);
[[nodiscard]] std::string FormatTime(std::span<const uint8_t, 2> bcd_time, int display_hour);

// Reads a typed or imported time "h:mm" with an optional AM or PM marker at
// the end (blanks ignored, any case). With raw_hour the hour is taken as
// written even with a marker; otherwise PM adds 12 (12 PM stays 12) and 12 AM
// is 0. True when the result is a valid time of day; *time is then set, and
// *no_marker (when given) tells whether the text had no AM/PM. On false
// *time is 0:00.
[[nodiscard]] bool ParseTime(std::string_view text, bool raw_hour, TimeValue* time,
                             bool* no_marker = nullptr);

// Range check: hour 0..23, minute 0..59 (null: not given). kUp corrects a
// faulty hour or minute to 0, kDown to 23 or 59, kCheckOnly stops at the first
// fault. True when every given value was valid.
[[nodiscard]] bool CheckTime(int* hour, int* minute, CheckMode mode);
[[nodiscard]] bool CheckTime(TimeValue& time, CheckMode mode);

// The one-step changes of a time field.
enum class TimeStep {
  kHourUp = 0,      // 23 -> 0
  kHourDown = 1,    // 0 -> 23
  kMinuteUp = 2,    // 59 -> 0 with the hour one up
  kMinuteDown = 3,  // 0 -> 59 with the hour one down
  kHalfHourUp = 4,  // minute + 30, carrying into the hour
  kAmPm = 5,        // hour +/- 12
};

// Brings the time into range first (upwards for kHourUp and kMinuteUp,
// downwards for the others) and returns whether it already was in range; then
// applies the step. Values not given (null) start as 3 and 3.
bool StepTime(int* hour, int* minute, TimeStep step);
bool StepTime(TimeValue& time, TimeStep step);

}  // namespace kivo

#endif  // KIVO_FORMAT_TIME_FORMAT_H_
