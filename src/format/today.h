#ifndef KIVO_FORMAT_TODAY_H_
#define KIVO_FORMAT_TODAY_H_

#include <functional>

#include "format/display_modes.h"

namespace kivo {

// Where "today" comes from for an object that lives longer than one call (a
// view model, an edit dialog): asked each time the date is needed. The
// program passes SystemToday; tests pass a fixed date so that their results
// do not change with the calendar.
using TodaySource = std::function<DateValue()>;

// The local date of the system clock.
[[nodiscard]] DateValue SystemToday();

}  // namespace kivo

#endif  // KIVO_FORMAT_TODAY_H_
