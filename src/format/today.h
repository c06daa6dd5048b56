#ifndef KIVO_FORMAT_TODAY_H_
#define KIVO_FORMAT_TODAY_H_

#include <functional>

#include "format/display_modes.h"

namespace kivo {

// Where "today" comes from: the year of dates written without year, the due
// date a To Do import falls back to, the year of a new Anniversary record.
// The program reads the local clock; tests install a fixed date so that their
// results do not change with the calendar.
using TodaySource = std::function<DateValue()>;

// Today's local date from the installed source. Thread-safe.
[[nodiscard]] DateValue Today();

// Installs a source; an empty function restores the local clock.
void SetTodaySource(TodaySource source);

// The local date of the system clock, whatever source is installed.
[[nodiscard]] DateValue SystemToday();

// Fixes today's date for the lifetime of the object (tests).
class ScopedToday {
 public:
  explicit ScopedToday(DateValue date);
  ~ScopedToday();
  ScopedToday(const ScopedToday&) = delete;
  ScopedToday& operator=(const ScopedToday&) = delete;

 private:
  TodaySource previous_;
};

}  // namespace kivo

#endif  // KIVO_FORMAT_TODAY_H_
