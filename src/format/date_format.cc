#include "format/date_format.h"

#include <array>
#include <cstdio>
#include <string>

namespace kivo {

namespace {

constexpr std::array<int, 12> kMonthLength{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// The year CheckDate sees when a parsed year must not be range-checked: a leap
// year, so 29 February passes.
constexpr int kNeutralYear = 2000;

int BcdByte(uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A month or day as typed: one digit, or two characters of which the first is
// "0" (the second then gives the value, 0 when it is no digit) or 1..9 and the
// second a digit.
bool ReadTwoPartField(std::string_view part, int* value) {
  if (part.size() == 1 && IsDigit(part[0])) {
    *value = part[0] - '0';
    return true;
  }
  if (part.size() != 2) return false;
  if (part[0] == '0') {
    *value = IsDigit(part[1]) ? part[1] - '0' : 0;
    return true;
  }
  if (part[0] >= '1' && part[0] <= '9' && IsDigit(part[1])) {
    *value = (part[0] - '0') * 10 + (part[1] - '0');
    return true;
  }
  return false;
}

// A year must be written with exactly four digits. Taking "20x1" as the number
// its leading digits make would let a typo through as the year 20 wherever the
// year is not range-checked, and then into a record; so any non-digit fails.
bool ReadYear(std::string_view part, int* value) {
  if (part.size() != 4) return false;
  int year = 0;
  for (char c : part) {
    if (!IsDigit(c)) return false;
    year = year * 10 + (c - '0');
  }
  *value = year;
  return true;
}

// Walks the blank-free text field by field.
class FieldCursor {
 public:
  FieldCursor(std::string_view text, char separator) : text_(text), separator_(separator) {}

  // The text up to the next separator or the end.
  std::string_view NextField() {
    size_t end = text_.find(separator_, pos_);
    if (end == std::string_view::npos) end = text_.size();
    std::string_view field = text_.substr(pos_, end - pos_);
    pos_ = end;
    return field;
  }
  // Steps over the separator that ended the last field; false at the end.
  bool SkipSeparator() {
    if (pos_ >= text_.size()) return false;
    ++pos_;
    return true;
  }
  std::string_view Rest() const { return text_.substr(pos_); }
  bool AtEnd() const { return pos_ >= text_.size(); }

 private:
  std::string_view text_;
  char separator_;
  size_t pos_ = 0;
};

bool ReadDate(std::string_view text, int display_date, bool with_year, DateValue* out) {
  const char separator = display_date == kDateMdy ? '/' : '.';
  FieldCursor cursor(text, separator);
  DateValue date;
  if (display_date == kDateYmd) {
    if (with_year && (!ReadYear(cursor.NextField(), &date.year) || !cursor.SkipSeparator())) {
      return false;
    }
    if (!ReadTwoPartField(cursor.NextField(), &date.month) || !cursor.SkipSeparator()) {
      return false;
    }
    // Whatever follows the day is ignored in this mode.
    if (!ReadTwoPartField(cursor.NextField(), &date.day)) return false;
  } else {
    int first = 0;
    int second = 0;
    if (!ReadTwoPartField(cursor.NextField(), &first) || !cursor.SkipSeparator()) return false;
    if (!ReadTwoPartField(cursor.NextField(), &second)) return false;
    if (with_year) {
      if (!cursor.SkipSeparator() || !ReadYear(cursor.Rest(), &date.year)) return false;
    } else if (!cursor.AtEnd()) {
      return false;
    }
    date.month = display_date == kDateMdy ? first : second;
    date.day = display_date == kDateMdy ? second : first;
  }
  *out = date;
  return true;
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kMonthLength[month - 1];
}

DateValue DateFromBcd(std::span<const uint8_t, 4> bytes) {
  return DateValue{BcdByte(bytes[0]) * 100 + BcdByte(bytes[1]), BcdByte(bytes[2]),
                   BcdByte(bytes[3])};
}

std::string FormatDate(int year, int month, int day, int display_date, bool with_year) {
  char text[64];
  switch (NormalDisplayDate(display_date)) {
    case kDateDmy:
      if (with_year) {
        std::snprintf(text, sizeof text, "%02d.%02d.%4d", day, month, year);
      } else {
        std::snprintf(text, sizeof text, "%02d.%02d", day, month);
      }
      break;
    case kDateYmd:
      // Without year the month still comes first, as in the full form.
      if (with_year) {
        std::snprintf(text, sizeof text, "%4d.%02d.%02d", year, month, day);
      } else {
        std::snprintf(text, sizeof text, "%02d.%02d", month, day);
      }
      break;
    default:
      if (with_year) {
        std::snprintf(text, sizeof text, "%02d/%02d/%4d", month, day, year);
      } else {
        std::snprintf(text, sizeof text, "%02d/%02d", month, day);
      }
      break;
  }
  return text;
}

std::string FormatDate(const DateValue& date, int display_date, bool with_year) {
  return FormatDate(date.year, date.month, date.day, display_date, with_year);
}

std::string FormatDate(std::span<const uint8_t, 4> bcd_date, int display_date, bool with_year) {
  return FormatDate(DateFromBcd(bcd_date), display_date, with_year);
}

bool ParseDate(std::string_view text, int display_date, bool with_year, bool year_check,
               const DateValue& today, DateValue* date) {
  *date = DateValue{};
  std::string compact;
  compact.reserve(text.size());
  for (char c : text) {
    if (c != ' ') compact += c;
  }
  if (!ReadDate(compact, NormalDisplayDate(display_date), with_year, date)) return false;
  if (!with_year) date->year = today.year;

  int year = year_check ? date->year : kNeutralYear;
  int month = date->month;
  int day = date->day;
  return CheckDate(&year, &month, &day, CheckMode::kCheckOnly);
}

bool CheckDate(int* year, int* month, int* day, CheckMode mode) {
  bool valid = true;
  bool leap = false;
  if (year != nullptr) {
    if (*year < kMinYear || *year > kMaxYear) {
      if (mode == CheckMode::kCheckOnly) return false;
      *year = mode == CheckMode::kUp ? kMinYear : kMaxYear;
      valid = false;
    }
    leap = IsLeapYear(*year);
  }
  if (month != nullptr && (*month < 1 || *month > 12)) {
    if (mode == CheckMode::kCheckOnly) return false;
    *month = mode == CheckMode::kUp ? 1 : 12;
    valid = false;
  }
  if (day == nullptr) return valid;

  int length = 31;
  if (month != nullptr) length = *month == 2 && leap ? 29 : kMonthLength[*month - 1];
  if (*day >= 1 && *day <= length) return valid;
  if (mode == CheckMode::kUp) *day = 1;
  if (mode == CheckMode::kDown) *day = length;
  return false;
}

bool CheckDate(DateValue& date, CheckMode mode) {
  return CheckDate(&date.year, &date.month, &date.day, mode);
}

namespace {

void YearUp(DateValue& d) {
  ++d.year;
  (void)CheckDate(d, CheckMode::kUp);  // 2151 -> 1950; a day past the month's end -> 1
}

void YearDown(DateValue& d) {
  --d.year;
  (void)CheckDate(d, CheckMode::kDown);  // 1949 -> 2150; a day past the end -> last day
}

void MonthUp(DateValue& d) {
  ++d.month;
  if (!CheckDate(d, CheckMode::kUp) && d.month == 1) YearUp(d);
}

void MonthDown(DateValue& d) {
  --d.month;
  if (!CheckDate(d, CheckMode::kDown) && d.month == 12) YearDown(d);
}

void DayUp(DateValue& d) {
  ++d.day;
  if (!CheckDate(d, CheckMode::kUp)) MonthUp(d);
}

void DayDown(DateValue& d) {
  if (d.day == 1) {
    // Day 0 of the previous month; the downward check turns it into that
    // month's last day, month 0 into December and 1949 into 2150.
    d.day = 0;
    if (--d.month == 0) --d.year;
    // The correction is the point; whether one was needed does not matter.
    (void)CheckDate(d, CheckMode::kDown);
    return;
  }
  --d.day;
  if (!CheckDate(d, CheckMode::kDown)) MonthDown(d);
}

}  // namespace

bool StepDate(DateValue& date, DateStep step) {
  const bool upwards =
      step == DateStep::kYearUp || step == DateStep::kMonthUp || step == DateStep::kDayUp;
  const bool valid = CheckDate(date, upwards ? CheckMode::kUp : CheckMode::kDown);
  switch (step) {
    case DateStep::kYearUp:
      YearUp(date);
      break;
    case DateStep::kYearDown:
      YearDown(date);
      break;
    case DateStep::kMonthUp:
      MonthUp(date);
      break;
    case DateStep::kMonthDown:
      MonthDown(date);
      break;
    case DateStep::kDayUp:
      DayUp(date);
      break;
    case DateStep::kDayDown:
      DayDown(date);
      break;
  }
  return valid;
}

bool StepDate(int* year, int* month, int* day, DateStep step) {
  DateValue date{year ? *year : 2001, month ? *month : 3, day ? *day : 3};
  const bool valid = StepDate(date, step);
  if (year != nullptr) *year = date.year;
  if (month != nullptr) *month = date.month;
  if (day != nullptr) *day = date.day;
  return valid;
}

}  // namespace kivo
