// ParseDate and ParseTime over any text, and the date and time checks and
// steps over any values.
//
// Input: a mode byte (display date, with year, year check, raw hour, display
// hour), twelve bytes of raw values, then the text. A date or time that
// parses must print, in the same mode, as a text that parses to the same
// value; every check that corrects must leave a value the check accepts.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "format/date_format.h"
#include "format/time_format.h"
#include "fuzz_support.h"

namespace {

int RawInt(kivo::FuzzInput& input) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = (value << 8) | input.Byte();
  int out;
  std::memcpy(&out, &value, sizeof out);
  return out;
}

void DateValues(int year, int month, int day) {
  for (kivo::CheckMode mode : {kivo::CheckMode::kUp, kivo::CheckMode::kDown}) {
    kivo::DateValue date{year, month, day};
    (void)kivo::CheckDate(date, mode);
    if (!kivo::CheckDate(date, kivo::CheckMode::kCheckOnly)) std::abort();
  }
  for (int step = 0; step <= 6; ++step) {
    kivo::DateValue date{year, month, day};
    (void)kivo::StepDate(date, static_cast<kivo::DateStep>(step));
    if (!kivo::CheckDate(date, kivo::CheckMode::kCheckOnly)) std::abort();
  }
  for (int mode = -1; mode <= 3; ++mode) (void)kivo::FormatDate(year, month, day, mode, true);
}

void TimeValues(int hour, int minute) {
  for (kivo::CheckMode mode : {kivo::CheckMode::kUp, kivo::CheckMode::kDown}) {
    kivo::TimeValue time{hour, minute};
    (void)kivo::CheckTime(time, mode);
    if (!kivo::CheckTime(time, kivo::CheckMode::kCheckOnly)) std::abort();
  }
  for (int step = 0; step <= 5; ++step) {
    kivo::TimeValue time{hour, minute};
    (void)kivo::StepTime(time, static_cast<kivo::TimeStep>(step));
    if (!kivo::CheckTime(time, kivo::CheckMode::kCheckOnly)) std::abort();
  }
  for (int mode = -1; mode <= 2; ++mode) (void)kivo::FormatTime(hour, minute, mode);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Dates without year take today's year: keep it fixed so runs repeat.
  const kivo::DateValue today{2001, 3, 3};
  kivo::FuzzInput input(data, size);
  const uint8_t mode = input.Byte();
  const int display_date = mode & 3;  // 3: a setting out of range
  const bool with_year = (mode & 4) != 0;
  const bool year_check = (mode & 8) != 0;
  const bool raw_hour = (mode & 16) != 0;
  const int display_hour = (mode >> 5) & 1;
  const int year = RawInt(input);
  const int month = RawInt(input);
  const int day = RawInt(input);
  const std::span<const uint8_t> rest = input.Rest();
  const std::string_view text(reinterpret_cast<const char*>(rest.data()), rest.size());

  DateValues(year, month, day);
  TimeValues(year, month);
  const uint8_t bcd[4] = {static_cast<uint8_t>(year), static_cast<uint8_t>(month),
                          static_cast<uint8_t>(day), static_cast<uint8_t>(year >> 8)};
  (void)kivo::FormatDate(std::span<const uint8_t, 4>(bcd, 4), display_date, with_year);
  (void)kivo::FormatTime(std::span<const uint8_t, 2>(bcd, 2), display_hour);

  kivo::DateValue date;
  if (kivo::ParseDate(text, display_date, with_year, year_check, today, &date) && year_check) {
    const std::string printed = kivo::FormatDate(date, display_date, with_year);
    kivo::DateValue again;
    if (!kivo::ParseDate(printed, display_date, with_year, year_check, today, &again)) std::abort();
    if (with_year ? again != date : (again.month != date.month || again.day != date.day)) {
      std::abort();
    }
  }
  kivo::TimeValue time;
  bool no_marker = false;
  if (kivo::ParseTime(text, raw_hour, &time, &no_marker)) {
    if (!kivo::CheckTime(time, kivo::CheckMode::kCheckOnly)) std::abort();
    const std::string printed = kivo::FormatTime(time, display_hour);
    kivo::TimeValue again;
    if (!kivo::ParseTime(printed, false, &again) || again != time) std::abort();
  }
  return 0;
}
