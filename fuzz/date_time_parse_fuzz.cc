// Fuzz target for the typed date and time parsers: any text is read or
// refused, and whatever is read as valid writes back to a text that reads
// back to the same values.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "format/date_format.h"
#include "format/time_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kivo;
  if (size < 1) return 0;
  const DateValue today{2004, 2, 29};
  const uint8_t pick = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  const int mode = pick % 3;
  const bool with_year = (pick & 0x04) != 0;
  const bool year_check = (pick & 0x08) != 0;
  DateValue date;
  if (ParseDate(text, mode, with_year, year_check, today, &date) && year_check) {
    DateValue back;
    if (!ParseDate(FormatDate(date, mode, with_year), mode, with_year, true, today, &back))
      std::abort();
    if (back != date) std::abort();
  }

  const bool raw_hour = (pick & 0x10) != 0;
  TimeValue time;
  bool no_marker = false;
  if (ParseTime(text, raw_hour, &time, &no_marker)) {
    if (time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59) std::abort();
    for (int hour_mode : {kHour12, kHour24}) {
      TimeValue back;
      if (!ParseTime(FormatTime(time, hour_mode), false, &back) || back != time) std::abort();
    }
  }
  return 0;
}
