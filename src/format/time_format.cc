#include "format/time_format.h"

#include <cstdio>
#include <string>

namespace kivo {

namespace {

int BcdByte(uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// An hour or minute as typed: one digit, or two characters of which the first
// is "0" (the second gives the value; a ":" there counts as 0) or 1..9 and
// the second a digit.
bool ReadTimeField(std::string_view part, int* value) {
  if (part.size() == 1 && IsDigit(part[0])) {
    *value = part[0] - '0';
    return true;
  }
  if (part.size() != 2) return false;
  if (part[0] == '0' && (IsDigit(part[1]) || part[1] == ':')) {
    *value = part[1] == ':' ? 0 : part[1] - '0';
    return true;
  }
  if (part[0] >= '1' && part[0] <= '9' && IsDigit(part[1])) {
    *value = (part[0] - '0') * 10 + (part[1] - '0');
    return true;
  }
  return false;
}

enum class Marker { kNone, kAm, kPm };

// Finds the AM/PM marker and returns the text in front of it; false when the
// text holds anything but digits and colons in front of a marker at its end.
bool SplitMarker(std::string_view text, Marker* marker, std::string_view* clock) {
  const size_t run = text.find_first_not_of("0123456789:");
  const size_t digits_end = run == std::string_view::npos ? text.size() : run;
  *clock = text.substr(0, digits_end);
  if (text.find("AM") != std::string_view::npos) {
    *marker = Marker::kAm;
  } else if (text.find("PM") != std::string_view::npos) {
    *marker = Marker::kPm;
  } else {
    *marker = Marker::kNone;
    return digits_end == text.size();
  }
  // Only digits and colons, then the two letters of the marker and nothing else.
  return digits_end + 2 == text.size();
}

}  // namespace

TimeValue TimeFromBcd(std::span<const uint8_t, 2> bytes) {
  return TimeValue{BcdByte(bytes[0]), BcdByte(bytes[1])};
}

std::string FormatTime(int hour, int minute, int display_hour) {
  char text[48];
  if (NormalDisplayHour(display_hour) == kHour24 || hour < 0 || hour > 23) {
    std::snprintf(text, sizeof text, "%02d:%02d", hour, minute);
  } else if (hour == 0) {
    std::snprintf(text, sizeof text, "12:%02d AM", minute);
  } else if (hour < 12) {
    std::snprintf(text, sizeof text, "%02d:%02d AM", hour, minute);
  } else if (hour == 12) {
    std::snprintf(text, sizeof text, "12:%02d PM", minute);
  } else {
    std::snprintf(text, sizeof text, "%02d:%02d PM", hour - 12, minute);
  }
  return text;
}

std::string FormatTime(const TimeValue& time, int display_hour) {
  return FormatTime(time.hour, time.minute, display_hour);
}

std::string FormatTime(std::span<const uint8_t, 2> bcd_time, int display_hour) {
  return FormatTime(TimeFromBcd(bcd_time), display_hour);
}

bool ParseTime(std::string_view text, bool raw_hour, TimeValue* time, bool* no_marker) {
  *time = TimeValue{};
  std::string compact;
  compact.reserve(text.size());
  for (char c : text) {
    if (c == ' ') continue;
    compact += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }

  Marker marker = Marker::kNone;
  std::string_view clock;
  if (!SplitMarker(compact, &marker, &clock)) return false;
  const size_t colon = clock.find(':');
  if (colon == std::string_view::npos) return false;
  int hour = 0;
  int minute = 0;
  if (!ReadTimeField(clock.substr(0, colon), &hour) ||
      !ReadTimeField(clock.substr(colon + 1), &minute)) {
    return false;
  }
  if (!raw_hour && marker == Marker::kPm && hour != 12) hour += 12;
  if (!raw_hour && marker == Marker::kAm && hour == 12) hour = 0;
  if (!CheckTime(&hour, &minute, CheckMode::kCheckOnly)) return false;

  *time = TimeValue{hour, minute};
  if (no_marker != nullptr) *no_marker = marker == Marker::kNone;
  return true;
}

bool CheckTime(int* hour, int* minute, CheckMode mode) {
  bool valid = true;
  if (hour != nullptr && (*hour < 0 || *hour > 23)) {
    if (mode == CheckMode::kCheckOnly) return false;
    *hour = mode == CheckMode::kUp ? 0 : 23;
    valid = false;
  }
  if (minute != nullptr && (*minute < 0 || *minute > 59)) {
    if (mode == CheckMode::kCheckOnly) return false;
    *minute = mode == CheckMode::kUp ? 0 : 59;
    valid = false;
  }
  return valid;
}

bool CheckTime(TimeValue& time, CheckMode mode) {
  return CheckTime(&time.hour, &time.minute, mode);
}

bool StepTime(TimeValue& time, TimeStep step) {
  const bool upwards = step == TimeStep::kHourUp || step == TimeStep::kMinuteUp;
  const bool valid = CheckTime(time, upwards ? CheckMode::kUp : CheckMode::kDown);
  int& h = time.hour;
  int& m = time.minute;
  switch (step) {
    case TimeStep::kHourUp:
      h = (h + 1) % 24;
      break;
    case TimeStep::kHourDown:
      h = (h + 23) % 24;
      break;
    case TimeStep::kMinuteUp:
      if (++m == 60) {
        m = 0;
        h = (h + 1) % 24;
      }
      break;
    case TimeStep::kMinuteDown:
      if (--m < 0) {
        m = 59;
        h = (h + 23) % 24;
      }
      break;
    case TimeStep::kHalfHourUp:
      // 23:45 goes on to 00:15: the hour wraps like every other step instead
      // of reaching 24.
      m += 30;
      if (m >= 60) {
        m %= 60;
        h = (h + 1) % 24;
      }
      break;
    case TimeStep::kAmPm:
      h = h < 12 ? h + 12 : h - 12;
      break;
  }
  return valid;
}

bool StepTime(int* hour, int* minute, TimeStep step) {
  TimeValue time{hour ? *hour : 3, minute ? *minute : 3};
  const bool valid = StepTime(time, step);
  if (hour != nullptr) *hour = time.hour;
  if (minute != nullptr) *minute = time.minute;
  return valid;
}

}  // namespace kivo
